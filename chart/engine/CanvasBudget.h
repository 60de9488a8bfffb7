// Canvas memory across all live charts. On Linux a huge allocation succeeds
// and is only committed as it is written, so a failed allocation cannot be
// relied on to refuse a picture: pictures are refused by size instead.
#pragma once

#include <cstdint>

// 8192 x 8192: the largest picture a chart may have.
constexpr std::uint64_t kMaxCanvasPixels = 67108864;
// What the canvases of all live charts may take together.
constexpr std::uint64_t kCanvasBudgetBytes = std::uint64_t(1) << 30;

// The bytes of one canvas taken from the budget while it lives.
class CCanvasReservation {
public:
    CCanvasReservation() = default;
    // The budget for a width x height canvas of 4-byte pixels; an empty
    // reservation when the picture is too large or the budget is spent.
    static CCanvasReservation For(std::int32_t width, std::int32_t height);
    ~CCanvasReservation();
    CCanvasReservation(CCanvasReservation&& other) noexcept;
    CCanvasReservation& operator=(CCanvasReservation&& other) noexcept;
    CCanvasReservation(const CCanvasReservation&) = delete;
    CCanvasReservation& operator=(const CCanvasReservation&) = delete;

    explicit operator bool() const { return bytes_ != 0; }
    // Bytes held by all live reservations.
    static std::uint64_t InUse();

private:
    void Release();
    std::uint64_t bytes_ = 0;
};
