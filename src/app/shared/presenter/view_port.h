// What a main window draws for the presenter: the model's visible controls by name, the window's
// own readouts, its title and the train bars. Each toolkit implements it over its widgets and
// decides nothing. Every call comes on the window's thread, but post(), which any thread may call.
#pragma once

#include "keying/train_progress.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace dopplex::app {

// The window's readouts beside the model's controls.
enum class Readout { Footer, LinkStatus, Live, RxDial, TxDial };

class ViewPort {
public:
    virtual ~ViewPort() = default;

    // A model control the window shows; the calls below name only such controls.
    virtual bool shows(const std::string& control) const = 0;
    virtual std::string text(const std::string& control) const = 0;
    virtual void set_text(const std::string& control, const std::string& text) = 0;
    virtual void set_enabled(const std::string& control, bool enabled) = 0;
    virtual void set_visible(const std::string& control, bool visible) = 0;
    virtual void set_checked(const std::string& control, bool checked) = 0;
    // Colours in the model's 0x00BBGGRR; no background: the window's own.
    virtual void set_colours(const std::string& control, std::uint32_t text,
                             std::optional<std::uint32_t> back) = 0;
    virtual void set_bold(const std::string& control, bool bold) = 0;
    virtual void set_tooltip(const std::string& control, const std::string& text) = 0;
    virtual void append_line(const std::string& control, const std::string& line) = 0;
    virtual void clear_lines(const std::string& control) = 0;
    // Takes the keyboard focus when the control is visible and enabled.
    virtual void focus(const std::string& control) = 0;

    // A readout's words, and its colour when given.
    virtual void set_readout(Readout readout, const std::string& text,
                             std::optional<std::uint32_t> colour = std::nullopt) = 0;
    virtual void set_title(const std::string& title) = 0;
    virtual void show_train(bool tx, const TrainProgress& progress) = 0;
    virtual void set_stop_enabled(bool tx, bool enabled) = 0;
    // Calls the presenter's footer_back() once after `ms`; a new start replaces a waiting one.
    virtual void start_footer_timer(int ms) = 0;

    // Any thread: runs `call` on the window's thread after what waits there; dropped once the
    // window is gone. The function stays usable after the port is gone.
    using Poster = std::function<void(std::function<void()> call)>;
    virtual Poster poster() = 0;
};

} // namespace dopplex::app

// Declares, in a window's class, its implementation of every ViewPort call.
#define DOPPLEX_VIEW_PORT_CALLS                                                                    \
    bool shows(const std::string& control) const override;                                         \
    std::string text(const std::string& control) const override;                                   \
    void set_text(const std::string& control, const std::string& text) override;                   \
    void set_enabled(const std::string& control, bool enabled) override;                           \
    void set_visible(const std::string& control, bool visible) override;                           \
    void set_checked(const std::string& control, bool checked) override;                           \
    void set_colours(const std::string& control, std::uint32_t text,                               \
                     std::optional<std::uint32_t> back) override;                                  \
    void set_bold(const std::string& control, bool bold) override;                                 \
    void set_tooltip(const std::string& control, const std::string& text) override;                \
    void append_line(const std::string& control, const std::string& line) override;                \
    void clear_lines(const std::string& control) override;                                         \
    void focus(const std::string& control) override;                                               \
    void set_readout(Readout readout, const std::string& text,                                     \
                     std::optional<std::uint32_t> colour) override;                                \
    void set_title(const std::string& title) override;                                             \
    void show_train(bool tx, const TrainProgress& progress) override;                              \
    void set_stop_enabled(bool tx, bool enabled) override;                                         \
    void start_footer_timer(int ms) override;                                                      \
    Poster poster() override;
