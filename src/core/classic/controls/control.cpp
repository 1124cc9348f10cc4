#include "classic/controls/control.h"

namespace dopplex {

void Control::changed(Change what) {
    if (sink_) {
        sink_->control_changed(*this, what);
    }
}

void Control::set_text(std::string text) {
    text_ = std::move(text);
    changed(Change::Text);
}

void Control::set_enabled(bool enabled) {
    enabled_ = enabled;
    changed(Change::Enabled);
}

void Control::set_visible(bool visible) {
    visible_ = visible;
    changed(Change::Visible);
}

void Control::set_checked(bool checked) {
    checked_ = checked;
    changed(Change::Checked);
}

void Control::set_font_color(std::uint32_t color) {
    font_color_ = color;
    changed(Change::FontColor);
}

void Control::add_line(std::string line) {
    lines_.push_back(std::move(line));
    changed(Change::LineAdded);
}

void Control::clear_lines() {
    lines_.clear();
    changed(Change::LinesCleared);
}

} // namespace dopplex
