#include "chart/engine/CanvasBudget.h"

#include <atomic>
#include <utility>

namespace {
std::atomic<std::uint64_t> g_inUse{0};
} // namespace

CCanvasReservation CCanvasReservation::For(std::int32_t width, std::int32_t height)
{
    CCanvasReservation reservation;
    if (width < 1 || height < 1)
        return reservation;
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    if (pixels > kMaxCanvasPixels)
        return reservation;
    const std::uint64_t bytes = pixels * 4;
    std::uint64_t used = g_inUse.load();
    do {
        if (used + bytes > kCanvasBudgetBytes)
            return reservation;
    } while (!g_inUse.compare_exchange_weak(used, used + bytes));
    reservation.bytes_ = bytes;
    return reservation;
}

CCanvasReservation::~CCanvasReservation() { Release(); }

CCanvasReservation::CCanvasReservation(CCanvasReservation&& other) noexcept
    : bytes_(std::exchange(other.bytes_, 0))
{
}

CCanvasReservation& CCanvasReservation::operator=(CCanvasReservation&& other) noexcept
{
    if (this != &other) {
        Release();
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

void CCanvasReservation::Release()
{
    if (bytes_)
        g_inUse -= bytes_;
    bytes_ = 0;
}

std::uint64_t CCanvasReservation::InUse() { return g_inUse.load(); }
