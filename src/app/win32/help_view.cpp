#include "help_view.h"

#include "control_ids.h"
#include "wide_text.h"
#include "window_class.h"

#include <algorithm>
#include <initializer_list>
#include <stdexcept>
#include <string>

namespace dopplex::app::win32 {

namespace {

constexpr int kPadding = 16;
constexpr SIZE kMinimumSize{394, 251};
constexpr SIZE kOkaySize{75, 25};
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOPMOST | WS_EX_CONTROLPARENT;

} // namespace

HelpView::HelpView(HINSTANCE instance) {
    register_window_class(instance, kHelpWindowClass, view_procedure<HelpView>);
    window_ = CreateWindowExW(kExStyle, kHelpWindowClass, to_wide(model_.caption()).c_str(), kStyle,
                              CW_USEDEFAULT, CW_USEDEFAULT, kMinimumSize.cx, kMinimumSize.cy,
                              nullptr, nullptr, instance, this);
    if (!window_) {
        throw std::runtime_error("The help window could not be created (error " +
                                 std::to_string(GetLastError()) + ")");
    }
    dpi_ = window_dpi(window_);
    fonts_ = std::make_unique<Fonts>(dpi_);
    text_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE |
                                ES_READONLY | ES_AUTOVSCROLL,
                            0, 0, 0, 0, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHelpTextId)), instance,
                            nullptr);
    // The guide is longer than an edit control's default limit.
    SendMessageW(text_, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(text_, to_wide(model_.guide(), true).c_str());
    okay_ = CreateWindowExW(0, L"BUTTON", to_wide(THelpf1::kOkayCaption).c_str(),
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 0,
                            window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHelpOkayId)),
                            instance, nullptr);
    for (HWND child : {text_, okay_}) {
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->normal()), FALSE);
    }
    const SIZE size = first_size();
    SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    model_.set_observer([this](bool visible) {
        if (!visible) {
            ShowWindow(window_, SW_HIDE);
            return;
        }
        ShowWindow(window_, SW_SHOW);
        SetForegroundWindow(window_);
    });
}

HelpView::~HelpView() {
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

// The text wide enough that no line of the guide wraps (its rules and tables stay whole) and
// thirty lines high, with the button below; never more than nine tenths of the work area.
SIZE HelpView::first_size() const {
    HDC dc = GetDC(text_);
    HGDIOBJ old = SelectObject(dc, fonts_->normal());
    int widest = 0;
    const std::wstring guide = to_wide(model_.guide());
    std::size_t start = 0;
    while (start <= guide.size()) {
        std::size_t end = guide.find(L'\n', start);
        if (end == std::wstring::npos) {
            end = guide.size();
        }
        SIZE extent{};
        GetTextExtentPoint32W(dc, guide.c_str() + start, static_cast<int>(end - start), &extent);
        widest = std::max(widest, static_cast<int>(extent.cx));
        start = end + 1;
    }
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(text_, dc);
    const int frame = scaled(12, dpi_) + GetSystemMetrics(SM_CXVSCROLL);
    const int width = widest + frame + 2 * scaled(kPadding, dpi_);
    const int height = 30 * (metrics.tmHeight + metrics.tmExternalLeading) + frame +
                       scaled(kOkaySize.cy + 3 * kPadding, dpi_);
    RECT outer{0, 0, width, height};
    AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const LONG cx = std::min(outer.right - outer.left, (work.right - work.left) * 9 / 10);
    const LONG cy = std::min(outer.bottom - outer.top, (work.bottom - work.top) * 9 / 10);
    return SIZE{std::max(cx, static_cast<LONG>(scaled(kMinimumSize.cx, dpi_))),
                std::max(cy, static_cast<LONG>(scaled(kMinimumSize.cy, dpi_)))};
}

void HelpView::layout() {
    RECT client;
    GetClientRect(window_, &client);
    const int pad = scaled(kPadding, dpi_);
    const int okay_w = scaled(kOkaySize.cx, dpi_), okay_h = scaled(kOkaySize.cy, dpi_);
    MoveWindow(text_, pad, pad, std::max(0, static_cast<int>(client.right) - 2 * pad),
               std::max(0, static_cast<int>(client.bottom) - 3 * pad - okay_h), TRUE);
    MoveWindow(okay_, (client.right - okay_w) / 2, client.bottom - pad - okay_h, okay_w, okay_h,
               TRUE);
}

LRESULT HelpView::handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_SIZE:
        if (text_) {
            layout();
        }
        return 0;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(l);
        info->ptMinTrackSize = POINT{scaled(kMinimumSize.cx, dpi_), scaled(kMinimumSize.cy, dpi_)};
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(w) == kHelpOkayId || LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
            model_.buOKayClick();
        }
        return 0;
    case WM_CTLCOLORSTATIC: // the read-only guide on white, as a page
        SetBkColor(reinterpret_cast<HDC>(w), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_CLOSE:
        model_.close_box();
        return 0;
    case WM_DPICHANGED: {
        dpi_ = HIWORD(w);
        fonts_ = std::make_unique<Fonts>(dpi_);
        for (HWND child : {text_, okay_}) {
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->normal()), TRUE);
        }
        take_suggested_place(window_, l);
        return 0;
    }
    default:
        return DefWindowProcW(window_, message, w, l);
    }
}

} // namespace dopplex::app::win32
