#include "main_view.h"

#include "control_ids.h"
#include "control_style.h"
#include "engine_session.h"
#include "key_rules.h"
#include "live_text.h"
#include "painting.h"
#include "posted_calls.h"
#include "readout_text.h"
#include "runtime/report_queue.h"
#include "wide_text.h"
#include "window_class.h"

#include <commctrl.h>

#include <algorithm>
#include <initializer_list>
#include <tuple>

namespace dopplex::app::win32 {

namespace {

constexpr UINT_PTR kFooterTimerId = 1; // puts the footer's own text back

constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

// The model's colours are COLORREFs already, but for the window-text colour.
COLORREF model_color(std::uint32_t color) {
    return color == kClWindowText ? GetSysColor(COLOR_WINDOWTEXT) : static_cast<COLORREF>(color);
}

std::wstring window_text(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

} // namespace

MainView::MainView(EngineSession& session, HINSTANCE instance)
    : session_(session), instance_(instance) {
    register_window_class(instance, kMainWindowClass, view_procedure<MainView>);
    window_ = CreateWindowExW(kWindowExStyle, kMainWindowClass, to_wide(kWindowCaption).c_str(),
                              kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, kWindowWidth,
                              kWindowHeight, nullptr, nullptr, instance, this);
    if (!window_)
        throw std::runtime_error("The main window could not be created (error " +
                                 std::to_string(GetLastError()) + ")");
    dpi_ = window_dpi(window_);
    fonts_ = std::make_unique<Fonts>(dpi_);
    build_decorations();
    for (const Control* control : session_.form().controls())
        if (control->visible())
            build_control(*control);
    loop_panel_ = std::make_unique<LoopPanel>(window_, instance_, session_);
    build_tooltips();
    layout();
    // Centred on the monitor's work area.
    const SIZE size = outer_size(kWindowWidth, kWindowHeight, kWindowStyle, kWindowExStyle, dpi_);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    SetWindowPos(window_, nullptr, work.left + (work.right - work.left - size.cx) / 2,
                 work.top + (work.bottom - work.top - size.cy) / 2, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

MainView::~MainView() {
    if (window_) {
        drain_posted_calls(window_);
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    for (const auto& [color, handle] : brushes_)
        DeleteObject(handle);
}

void MainView::show() {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    SetForegroundWindow(window_);
}

MainView::Child& MainView::add_child(const wchar_t* window_class, const std::string& text,
                                     DWORD style, const Rect& place, int id) {
    auto owned = std::make_unique<Child>();
    owned->place = place;
    owned->window = CreateWindowExW(
        0, window_class, to_wide(text, true).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    children_.push_back(std::move(owned));
    return *children_.back();
}

void MainView::build_decorations() {
    for (const bool tx : {false, true}) {
        Child& stop =
            add_child(L"BUTTON", "Stop", BS_PUSHBUTTON, kStopButtons[tx], kStopButtonIds[tx]);
        stop.bold = true;
        EnableWindow(stop.window, FALSE); // until this side runs a train
        // A child of its own, so its words are the control's text for a screen reader.
        add_child(L"STATIC", "", SS_OWNERDRAW, tx ? kTxTrainBar : kRxTrainBar,
                  tx ? kTxTrainBarId : kRxTrainBarId);
    }
    for (const auto& [place, id] : {std::pair{kRxDial, kRxDialId}, std::pair{kTxDial, kTxDialId}})
        add_child(L"STATIC", dial_text({}), SS_RIGHT, place, id);
    for (const Caption& c : captions()) {
        Child& caption = add_child(L"STATIC", std::string(c.text),
                                   (c.right_aligned ? SS_RIGHT : SS_LEFT) | SS_NOPREFIX,
                                   Rect{c.x, c.y, c.w, c.h}, 0);
        const ControlStyle style = caption_style(c.style);
        caption.bold = style.bold;
        caption.text_color = style.text_color;
    }
    footer_ = &add_child(L"STATIC", std::string(kFooterText), SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                         kFooter, 0);
    footer_->text_color = kNoteColor;
    // All flush left: the countdown's words follow the AOS time they qualify.
    const std::tuple<Rect, int, std::uint32_t> readouts[] = {
        {kLiveReadout, kLiveReadoutId, kLiveColor},
        {kLinkStatus, kLinkStatusId, kNoteColor},
        {kAosCountdown, kAosCountdownId, kCountdownColor},
        {kLogStatus, kLogStatusId, kNoteColor},
    };
    for (const auto& [place, id, color] : readouts)
        add_child(L"STATIC", "", SS_LEFTNOWORDWRAP | SS_NOPREFIX, place, id).text_color = color;
    show_readout(kLiveReadoutId, kLiveIdleText);
    add_child(L"BUTTON", "Pass plot", BS_AUTOCHECKBOX | BS_PUSHLIKE, kPlotButton, kPlotButtonId);
}

void MainView::build_tooltips() {
    tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                                nullptr, instance_, nullptr);
    SendMessageW(tooltips_, TTM_SETMAXTIPWIDTH, 0, scaled(400, dpi_));
    for (const auto& [name, c] : by_name_)
        if (const std::string_view hint = key_hint(name); !hint.empty())
            set_tooltip(c->window, std::string(hint));
    set_tooltip(GetDlgItem(window_, kPlotButtonId), kPlotButtonTooltip);
    set_tooltip(GetDlgItem(window_, kLiveReadoutId), kLiveTooltip);
    if (const Child* link = child("l_dd"))
        set_tooltip(link->window, mark_.link_tooltip(link_reason_));
}

void MainView::set_tooltip(HWND control, const std::string& text) {
    std::wstring wide = to_wide(text, true);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = wide.data();
    if (text.empty()) {
        SendMessageW(tooltips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        return;
    }
    // Adding a tool twice keeps the first: a known one only gets its new text.
    if (!SendMessageW(tooltips_, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)))
        SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    tool.lpszText = wide.data();
    SendMessageW(tooltips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void MainView::show_readout(int id, const std::string& text, std::optional<std::uint32_t> color) {
    for (const auto& c : children_)
        if (GetDlgCtrlID(c->window) == id) {
            if (color && c->text_color != color) {
                c->text_color = *color;
                InvalidateRect(c->window, nullptr, TRUE);
            }
            set_text(*c, text);
        }
}

void MainView::show_link_status(const std::string& status) {
    show_readout(kLinkStatusId, kLinkStatusPrefix + status);
    link_reason_ = status;
    show_link_hint();
}

void MainView::show_link_hint() {
    if (const Child* link = child("l_dd"))
        set_tooltip(link->window, mark_.link_tooltip(link_reason_));
}

void MainView::set_plot_button(bool checked) {
    SendDlgItemMessageW(window_, kPlotButtonId, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED,
                        0);
}

void MainView::build_control(const Control& control) {
    const std::string& name = control.name();
    Rect place{};
    for (const Placement& p : control_placements())
        if (p.name == name)
            place = Rect{p.x, p.y, p.w, p.h};
    const wchar_t* window_class = L"BUTTON";
    DWORD style = WS_TABSTOP;
    const ControlStyle look = control_style(control);
    switch (control.kind()) {
    case ControlKind::Label:
        window_class = L"STATIC";
        style = SS_NOPREFIX | (name == "l_st" ? SS_LEFT : SS_LEFTNOWORDWRAP) |
                (name == "l_dd" ? SS_NOTIFY : 0);
        break;
    case ControlKind::Edit:
        window_class = L"EDIT";
        style |= WS_BORDER | ES_AUTOHSCROLL | (look.editable ? 0 : ES_READONLY);
        break;
    case ControlKind::Memo: {
        window_class = L"EDIT";
        style |= WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
        break;
    }
    case ControlKind::Button:
        style |= name == kDefaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        break;
    case ControlKind::SpeedButton:
        style = BS_PUSHBUTTON | BS_FLAT; // a speed button never takes the focus
        break;
    case ControlKind::CheckBox:
        style |= BS_CHECKBOX;
        break;
    case ControlKind::RadioButton:
        style |= BS_RADIOBUTTON;
        break;
    }
    Child& made = add_child(window_class, "", style, place, control_id(name));
    made.name = name;
    made.bold = look.bold;
    made.single_line_edit = control.kind() == ControlKind::Edit;
    made.text_color = look.text_color;
    made.back_color = look.back_color;
    by_name_[name] = &made;
    if (SourceMark::concerns(name))
        mark_.follow(name, control.text());
    set_text(made, control.text());
    EnableWindow(made.window, control.enabled());
    if (control.kind() == ControlKind::CheckBox || control.kind() == ControlKind::RadioButton)
        SendMessageW(made.window, BM_SETCHECK, control.checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    for (const std::string& line : control.lines())
        append_line(made.window, line);
}

void MainView::layout() {
    for (const auto& c : children_) {
        const HFONT font = c->bold ? fonts_->bold() : fonts_->normal();
        int y = scaled(c->place.y, dpi_), h = scaled(c->place.h, dpi_);
        if (c->single_line_edit) {
            // A single-line edit draws its text at the top, so its box fits the text (border
            // and a pixel above and below) and stands in the middle of its place.
            const int fitted = std::min(h, text_height(font) + 2 * GetSystemMetrics(SM_CYBORDER) +
                                               scaled(2, dpi_));
            y += (h - fitted) / 2;
            h = fitted;
        }
        SetWindowPos(c->window, nullptr, scaled(c->place.x, dpi_), y, scaled(c->place.w, dpi_), h,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(c->window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    loop_panel_->layout(dpi_, fonts_->normal());
}

int MainView::text_height(HFONT font) const {
    const HDC dc = GetDC(window_);
    const HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(window_, dc);
    return metrics.tmHeight;
}

std::string MainView::control_text(const std::string& name) {
    const Child* c = child(name);
    return c ? to_utf8(window_text(c->window)) : "";
}

MainView::Child* MainView::child(const std::string& name) {
    const auto it = by_name_.find(name);
    return it == by_name_.end() ? nullptr : it->second;
}

void MainView::set_text(Child& c, const std::string& text) {
    applying_ = true;
    SetWindowTextW(c.window, to_wide(text, true).c_str());
    applying_ = false;
}

void MainView::show_held_report(const std::string& line) {
    show_footer(line, kFailureColor);
    SetTimer(window_, kFooterTimerId, static_cast<UINT>(ReportQueue::kQuietAfterCloseMs), nullptr);
}

void MainView::show_footer(const std::string& text, std::uint32_t color) {
    if (footer_->text_color != color) {
        footer_->text_color = color;
        InvalidateRect(footer_->window, nullptr, TRUE);
    }
    set_text(*footer_, text);
}

void MainView::append_line(HWND memo, const std::string& line) {
    const int end = GetWindowTextLengthW(memo);
    const std::wstring text = (end > 0 ? L"\r\n" : L"") + to_wide(line);
    SendMessageW(memo, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(memo, EM_SCROLLCARET, 0, 0);
}

void MainView::apply(const ControlUpdate& update) {
    Child* c = child(update.name);
    if (!c)
        return; // a hidden control: a working value, never shown
    switch (update.what) {
    case Change::Text:
        // Until every text typed so far has reached the engine, an echo could be older than
        // what the operator sees: it would move the caret or undo a keystroke.
        if (typing_in_flight_[update.name] == 0 && to_utf8(window_text(c->window)) != update.text)
            set_text(*c, update.text);
        follow_marks(mark_, references_, update.name, update.text)
            .show([this] { show_source_mark(); }, [this](Side side) { mark_reference(side); });
        break;
    case Change::Enabled:
        EnableWindow(c->window, update.enabled);
        break;
    case Change::Visible:
        ShowWindow(c->window, update.visible ? SW_SHOWNA : SW_HIDE);
        break;
    case Change::Checked:
        SendMessageW(c->window, BM_SETCHECK, update.checked ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case Change::FontColor: {
        const FieldColors colors = read_only_field_colors(update.font_color);
        c->text_color = colors.text;
        c->back_color = colors.back;
        InvalidateRect(c->window, nullptr, TRUE);
        break;
    }
    case Change::LineAdded:
        append_line(c->window, update.line);
        break;
    case Change::LinesCleared:
        set_text(*c, "");
        break;
    }
}

// A simulated pass reads so in the link state, in white on red, and in the title.
void MainView::show_source_mark() {
    Child* link = child("l_dd");
    if (!link)
        return;
    const ControlStyle style = link_state_style(mark_.simulated());
    link->text_color = style.text_color;
    link->back_color = style.back_color;
    link->bold = style.bold;
    SendMessageW(link->window, WM_SETFONT,
                 reinterpret_cast<WPARAM>(style.bold ? fonts_->bold() : fonts_->normal()), FALSE);
    set_text(*link, mark_.link_state());
    InvalidateRect(link->window, nullptr, TRUE);
    show_link_hint();
    SetWindowTextW(window_, to_wide(mark_.title()).c_str());
}

void MainView::follow_focus(const std::string& control_name) {
    const Child* c = child(control_name);
    if (c && IsWindowVisible(c->window) && IsWindowEnabled(c->window))
        SetFocus(c->window);
}

void MainView::show_port_status(const port::PortStatus& status) {
    if (port_status_ == status)
        return;
    port_status_ = status;
    const RECT r{scaled(kLedPanel.x, dpi_), scaled(kLedPanel.y, dpi_),
                 scaled(kLedPanel.x + kLedPanel.w, dpi_), scaled(kLedPanel.y + kLedPanel.h, dpi_)};
    InvalidateRect(window_, &r, FALSE);
}

void MainView::show_train_progress(const TrainProgress& progress) {
    const bool tx = is_tx_channel(progress.channel);
    trains_[tx] = progress;
    EnableWindow(GetDlgItem(window_, kStopButtonIds[tx]), progress.running);
    const HWND bar = GetDlgItem(window_, tx ? kTxTrainBarId : kRxTrainBarId);
    SetWindowTextW(bar, to_wide(train_text(progress)).c_str());
    InvalidateRect(bar, nullptr, FALSE);
}

void MainView::show_dial(const DialReading& reading) {
    SetDlgItemTextW(window_, reading.side == Side::Tx ? kTxDialId : kRxDialId,
                    to_wide(dial_text(reading), true).c_str());
}

void MainView::show_report(const std::string& text, const std::function<void()>& closed) {
    modal_open_ = true;
    MessageBoxW(window_, to_wide(text, true).c_str(), L"Dopplex", MB_ICONSTOP | MB_OK);
    modal_open_ = false;
    closed();
}

void MainView::request_exit() {
    session_.request_exit();
}

void MainView::request_exit_now() {
    session_.request_exit_now();
}

void MainView::engine_closed() {
    if (closed_)
        return;
    closed_ = true;
    ShowWindow(window_, SW_HIDE);
    PostQuitMessage(0);
}

std::string MainView::focused_button() const {
    const HWND focus = GetFocus();
    for (const auto& [name, c] : by_name_) {
        if (c->window != focus || !IsWindowVisible(focus) || !IsWindowEnabled(focus))
            continue;
        const LONG_PTR type = GetWindowLongPtrW(focus, GWL_STYLE) & BS_TYPEMASK;
        wchar_t window_class[16] = {};
        GetClassNameW(focus, window_class, 16);
        const bool push = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
        return push && lstrcmpiW(window_class, L"BUTTON") == 0 ? name : std::string();
    }
    return {};
}

void MainView::post_click(const std::string& name) {
    app::post_click(session_, name);
}

// A reference that does not read right is marked at once, with the hint as its tooltip.
void MainView::mark_reference(Side side) {
    Child* c = child(side == Side::Rx ? "Edit1" : "Edit13");
    if (!c)
        return;
    const std::optional<std::string> hint = references_.hint(side, to_utf8(window_text(c->window)));
    c->back_color = reference_style(hint.has_value()).back_color;
    InvalidateRect(c->window, nullptr, TRUE);
    set_tooltip(c->window, hint.value_or(""));
}

void MainView::post_type(const std::string& name) {
    Child* c = child(name);
    if (!c)
        return;
    ++typing_in_flight_[name];
    const HWND window = window_;
    session_.post_input([this, window, name, text = to_utf8(window_text(c->window))](TFMain& form) {
        form.Type(name, text);
        post_call(window, [this, name] { --typing_in_flight_[name]; });
    });
}

void MainView::on_command(int id, int code, HWND control) {
    if (loop_panel_->command(id, code, control))
        return;
    if (id == kPlotButtonId) {
        if (code == BN_CLICKED && on_plot_button)
            on_plot_button(SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
        return;
    }
    if (id == kEscapeId || id == kStopButtonIds[0] || id == kStopButtonIds[1]) {
        // Esc stops both sides' trains, a side's Stop its own.
        if (code == BN_CLICKED)
            session_.request_stop(
                id == kEscapeId
                    ? std::nullopt
                    : std::optional<Side>(id == kStopButtonIds[1] ? Side::Tx : Side::Rx));
        return;
    }
    const std::string name(control_name(id));
    const Child* c = child(name);
    if (!c || c->window != control)
        return;
    if (name == "SpeedButton1") {
        if (code == BN_CLICKED)
            request_exit();
    } else if (code == BN_CLICKED || (name == "l_dd" && code == STN_CLICKED)) {
        post_click(name);
    } else if (code == EN_CHANGE && !applying_ && takes_typing(name)) {
        post_type(name);
        if (const std::optional<Side> side = ReferenceMarks::side_of(name))
            mark_reference(*side);
    } else if (code == EN_KILLFOCUS) {
        if (const std::optional<Side> side = ReferenceMarks::side_of(name))
            post_reference_done(session_, *side);
    }
}

HBRUSH MainView::brush(COLORREF color) {
    auto [it, added] = brushes_.try_emplace(color, nullptr);
    if (added)
        it->second = CreateSolidBrush(color);
    return it->second;
}

LRESULT MainView::on_color(HDC dc, HWND control) {
    for (const auto& c : children_) {
        if (c->window != control)
            continue;
        if (c->text_color)
            SetTextColor(dc, model_color(*c->text_color));
        if (c->back_color) {
            SetBkColor(dc, *c->back_color);
            return reinterpret_cast<LRESULT>(brush(*c->back_color));
        }
        break;
    }
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void MainView::paint_train_bar(HDC dc, const RECT& r, const std::optional<TrainProgress>& train) {
    FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
    if (train && train->count > 0) {
        RECT done = r;
        done.right = r.left + MulDiv(r.right - r.left, train->sent, train->count);
        FillRect(dc, &done, brush(RGB(120, 200, 120)));
    }
    FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
    if (!train)
        return;
    const std::wstring text = to_wide(train_text(*train));
    RECT inner = r;
    HGDIOBJ old = SelectObject(dc, fonts_->normal());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &inner,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
}

// The tracking data's sunken frame and the step group's etched one with its title. Painted
// here, not as child windows: a child would lie over the controls inside it.
void MainView::paint_frames(HDC dc) {
    RECT tracking{scaled(kTrackingFrame.x, dpi_), scaled(kTrackingFrame.y, dpi_),
                  scaled(kTrackingFrame.x + kTrackingFrame.w, dpi_),
                  scaled(kTrackingFrame.y + kTrackingFrame.h, dpi_)};
    DrawEdge(dc, &tracking, EDGE_SUNKEN, BF_RECT);
    RECT step{scaled(kStepFrame.x, dpi_), scaled(kStepFrame.y + 6, dpi_),
              scaled(kStepFrame.x + kStepFrame.w, dpi_), scaled(kStepFrame.y + kStepFrame.h, dpi_)};
    DrawEdge(dc, &step, EDGE_ETCHED, BF_RECT);
    HGDIOBJ old = SelectObject(dc, fonts_->normal());
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const std::wstring title = L" " + to_wide(kStepFrameTitle) + L" ";
    RECT text{scaled(kStepFrame.x + 6, dpi_), scaled(kStepFrame.y, dpi_),
              scaled(kStepFrame.x + kStepFrame.w, dpi_), scaled(kStepFrame.y + 14, dpi_)};
    DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &text,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
}

void MainView::paint() {
    // Off screen, so the LED panel does not flicker at every write.
    paint_off_screen(window_, [this](HDC dc, const RECT& client) {
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        paint_frames(dc);
        paint_banner(dc, kBanner, *fonts_, dpi_);
        paint_satellite(dc, kRxSatellite, true, *fonts_, dpi_);
        paint_satellite(dc, kTxSatellite, false, *fonts_, dpi_);
        paint_led_panel(dc, kLedPanel, port_status_ ? &*port_status_ : nullptr, *fonts_, dpi_);
    });
}

LRESULT MainView::handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case kPostedCallMessage:
        run_posted_call(l);
        return 0;
    case WM_TIMER:
        if (w != kFooterTimerId)
            return DefWindowProcW(window_, message, w, l);
        KillTimer(window_, kFooterTimerId);
        show_footer(std::string(kFooterText), kNoteColor);
        return 0;
    case WM_COMMAND:
        on_command(LOWORD(w), HIWORD(w), reinterpret_cast<HWND>(l));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
        return on_color(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l));
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
        if (item->CtlID != kRxTrainBarId && item->CtlID != kTxTrainBarId)
            return FALSE;
        paint_train_bar(item->hDC, item->rcItem, trains_[item->CtlID == kTxTrainBarId]);
        return TRUE;
    }
    case WM_ERASEBKGND:
        return 1; // paint() covers the whole client area
    case WM_PAINT:
        paint();
        return 0;
    case DM_GETDEFID:
        return MAKELRESULT(control_id(kDefaultButton), DC_HASDEFID);
    case WM_CLOSE:
        // The close box lowers the lines like Exit does, so no radio button is left pressed,
        // and does not wait for a running train.
        if (!closed_)
            request_exit_now();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The process ends once this returns: the lines are low before it does.
        if (w && !closed_)
            session_.close_now().wait_for(std::chrono::seconds(5));
        return 0;
    case WM_DPICHANGED: {
        dpi_ = HIWORD(w);
        fonts_ = std::make_unique<Fonts>(dpi_);
        layout();
        take_suggested_place(window_, l);
        InvalidateRect(window_, nullptr, TRUE);
        return 0;
    }
    default:
        return DefWindowProcW(window_, message, w, l);
    }
}

} // namespace dopplex::app::win32
