#include "progress_output.h"

#include <cmath>
#include <cstdio>

namespace veltactl {
namespace {
constexpr int k_bar_width = 24;
}

std::string clock_text(double seconds)
{
    const long s = std::lround(std::max(0.0, seconds));
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

ProgressOutput::ProgressOutput(std::ostream& out, ProgressStyle style, Clock clock)
    : out_(out),
      style_(style),
      clock_(clock ? std::move(clock) : Clock(std::chrono::steady_clock::now))
{
}

double ProgressOutput::seconds() const
{
    return std::chrono::duration<double>(clock_() - started_).count();
}

void ProgressOutput::begin(std::string_view device, std::string_view operation, int steps)
{
    device_.assign(device);
    operation_.assign(operation);
    steps_ = steps;
    started_ = clock_();
    last_shown_ = -1;
    if (style_ == ProgressStyle::lines)
        out_ << "start " << device_ << ' ' << operation_ << " steps=" << steps_ << '\n'
             << std::flush;
    else if (style_ == ProgressStyle::terminal)
        step(0);
}

std::string ProgressOutput::bar_text(int done) const
{
    const int percent = steps_ > 0 ? done * 100 / steps_ : 100;
    const int filled = steps_ > 0 ? done * k_bar_width / steps_ : k_bar_width;
    std::string text = device_ + ' ' + operation_ + " [";
    text.append(static_cast<std::size_t>(filled), '#');
    text.append(static_cast<std::size_t>(k_bar_width - filled), '.');
    text += "] " + std::to_string(done) + '/' + std::to_string(steps_) + ' ' +
            std::to_string(percent) + '%';
    if (done > 0 && done < steps_) {
        const double left = seconds() / done * (steps_ - done);
        text += ' ' + clock_text(left) + " left";
    }
    return text;
}

void ProgressOutput::step(int done)
{
    if (style_ == ProgressStyle::quiet || done == last_shown_)
        return;
    last_shown_ = done;
    if (style_ == ProgressStyle::lines) {
        const int percent = steps_ > 0 ? done * 100 / steps_ : 100;
        out_ << "progress " << device_ << ' ' << operation_ << ' ' << done << '/' << steps_ << ' '
             << percent << "%\n"
             << std::flush;
        return;
    }
    // A fast run takes thousands of steps a second; the bar is redrawn ten times a second.
    const auto now = clock_();
    if (bar_shown_ && done != steps_ && now - last_drawn_ < std::chrono::milliseconds(100))
        return;
    last_drawn_ = now;
    // \r and an erase to the end of the line redraw the bar in place.
    out_ << '\r' << bar_text(done) << "\x1b[K" << std::flush;
    bar_shown_ = true;
}

void ProgressOutput::clear_bar()
{
    if (bar_shown_) {
        out_ << "\r\x1b[K";
        bar_shown_ = false;
    }
}

void ProgressOutput::line(std::string_view text)
{
    if (style_ == ProgressStyle::quiet)
        return;
    clear_bar();
    out_ << text << '\n' << std::flush;
    if (style_ == ProgressStyle::terminal && last_shown_ >= 0 && last_shown_ < steps_) {
        const int shown = last_shown_;
        last_shown_ = -1;
        step(shown);
    }
}

void ProgressOutput::end(bool ok, int done)
{
    if (style_ == ProgressStyle::quiet)
        return;
    clear_bar();
    out_ << end_text(ok, done) << '\n' << std::flush;
    last_shown_ = -1;
}

std::string ProgressOutput::end_text(bool ok, int done) const
{
    char secs[32];
    std::snprintf(secs, sizeof secs, "%.3f", seconds());
    return (ok ? "ok " : "failed ") + device_ + ' ' + operation_ + ' ' + std::to_string(done) +
           '/' + std::to_string(steps_) + " steps " + secs + " s";
}

}  // namespace veltactl
