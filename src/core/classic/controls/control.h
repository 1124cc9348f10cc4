// One control of the main window as a value the engine owns: text (caption for buttons and
// labels), enabled, visible, checked, font colour and, for memos, lines. Every change is told to
// the window's change sink, which lets the view follow. Engine thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dopplex {

enum class ControlKind { Label, Edit, Memo, Button, SpeedButton, CheckBox, RadioButton };

// Font colours in the platform's encoding, 0x00BBGGRR; the window-text colour is a system colour.
inline constexpr std::uint32_t kClMaroon = 128;
inline constexpr std::uint32_t kClYellow = 65535;
inline constexpr std::uint32_t kClWindowText = 0x80000008; // system colour index 8

class Control;

// What changed, so a view can follow a long log line by line instead of copying it whole.
enum class Change { Text, Enabled, Visible, Checked, FontColor, LineAdded, LinesCleared };

class ChangeSink {
public:
    virtual ~ChangeSink() = default;
    virtual void control_changed(const Control& control, Change what) = 0;
};

class Control {
public:
    Control(std::string name, ControlKind kind) : name_(std::move(name)), kind_(kind) {}
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    ControlKind kind() const { return kind_; }
    const std::string& text() const { return text_; }
    bool enabled() const { return enabled_; }
    bool visible() const { return visible_; }
    bool checked() const { return checked_; }
    std::uint32_t font_color() const { return font_color_; }
    const std::vector<std::string>& lines() const { return lines_; }

    void set_text(std::string text);
    void set_enabled(bool enabled);
    void set_visible(bool visible);
    void set_checked(bool checked);
    void set_font_color(std::uint32_t color);
    void add_line(std::string line);
    void clear_lines();

    void set_sink(ChangeSink* sink) { sink_ = sink; }

private:
    void changed(Change what);

    std::string name_;
    ControlKind kind_;
    std::string text_;
    bool enabled_ = true;
    bool visible_ = true;
    bool checked_ = false;
    std::uint32_t font_color_ = kClWindowText;
    std::vector<std::string> lines_;
    ChangeSink* sink_ = nullptr;
};

} // namespace dopplex
