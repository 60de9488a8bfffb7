// The log a drawing layer's recording keeps: one line per painting call
// while a recording lives, recordings nested (a new one takes the log over
// and hands it back when it ends). Each layer has its own (Layer tells them
// apart) and writes its own lines.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pvcommon {

template <class Layer>
class RecordingLog {
public:
    enum class TextMetrics { Fixed, Font };

    explicit RecordingLog(TextMetrics metrics = TextMetrics::Fixed) : metrics_(metrics), previous_(active_)
    {
        active_ = this;
    }
    // Hands the log back to the recording that was active before, if any.
    ~RecordingLog() { active_ = previous_; }
    RecordingLog(const RecordingLog&) = delete;
    RecordingLog& operator=(const RecordingLog&) = delete;

    const std::vector<std::string>& Lines() const { return lines_; }
    // Every line followed by '\n'.
    std::string Text() const
    {
        std::string text;
        for (const std::string& line : lines_) {
            text += line;
            text += '\n';
        }
        return text;
    }
    void Clear() { lines_.clear(); }
    TextMetrics Metrics() const { return metrics_; }

    // The recording that receives lines now, or null.
    static RecordingLog* Active() { return active_; }
    void Append(std::string line) { lines_.push_back(std::move(line)); }

private:
    static inline RecordingLog* active_ = nullptr;

    TextMetrics metrics_;
    std::vector<std::string> lines_;
    RecordingLog* previous_;
};

} // namespace pvcommon
