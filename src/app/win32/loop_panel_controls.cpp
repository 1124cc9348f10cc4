#include "loop_panel_controls.h"

#include "display.h"
#include "posted_calls.h"
#include "wide_text.h"

#include <iostream>
#include <utility>

namespace dopplex::app::win32 {

LoopPanel::LoopPanel(HWND parent, HINSTANCE instance, EngineSession& session)
    : parent_(parent), instance_(instance),
      feed_(
          session,
          [this](const LoopPanelView& view) { post_call(parent_, [this, view] { show(view); }); },
          [](const std::string& problem) { std::cerr << "dopplex: " << problem << "\n"; }),
      view_(loop_panel_view(session.form())) {
    for (const LoopControl& c : loop_controls()) {
        const int id = loop_control_id(c.field);
        switch (c.widget) {
        case LoopWidget::Choice:
            add(L"STATIC", c.caption, SS_LEFT | SS_NOPREFIX, 0, c.caption_x, c.y + 4,
                c.x - c.caption_x - 2, 16);
            add(L"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, id, c.x, c.y, c.w,
                200);
            break;
        case LoopWidget::Check:
            add(L"BUTTON", c.caption, BS_AUTOCHECKBOX | WS_TABSTOP, id, c.x, c.y, c.w, c.h);
            break;
        case LoopWidget::Action:
            add(L"BUTTON", c.caption, BS_PUSHBUTTON, id, c.x, c.y, c.w, c.h);
            break;
        case LoopWidget::Readout:
            add(L"STATIC", "", SS_LEFT | SS_NOPREFIX, id, c.x, c.y, c.w, c.h);
            break;
        case LoopWidget::Entry:
            add(L"STATIC", c.caption, SS_LEFT | SS_NOPREFIX, 0, c.caption_x, c.y + 4,
                c.x - c.caption_x - 2, 16);
            add(L"EDIT", loop_entry_text(view_, c.field), WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP,
                id, c.x, c.y, c.w, c.h);
            break;
        }
        by_field_[c.field] = children_.back().window;
    }
    show(view_);
}

void LoopPanel::add(const wchar_t* window_class, std::string_view text, DWORD style, int id, int x,
                    int y, int w, int h) {
    const HWND window = CreateWindowExW(
        0, window_class, to_wide(text, true).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
        parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    children_.push_back(Child{window, x, y, w, h});
}

void LoopPanel::layout(UINT dpi, HFONT font) {
    for (const Child& c : children_) {
        SetWindowPos(c.window, nullptr, scaled(c.x, dpi), scaled(c.y, dpi), scaled(c.w, dpi),
                     scaled(c.h, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(c.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

bool LoopPanel::command(int id, int code, HWND control) {
    for (const LoopControl& c : loop_controls()) {
        if (loop_control_id(c.field) != id || by_field_.at(c.field) != control) {
            continue;
        }
        if (showing_) {
            return true;
        }
        if (c.widget == LoopWidget::Choice && code == CBN_SELCHANGE) {
            feed_.post(loop_choose(view_, c.field,
                                   static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0))));
        } else if (c.widget == LoopWidget::Check && code == BN_CLICKED) {
            feed_.post(
                loop_check(c.field, SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED));
        } else if (c.widget == LoopWidget::Action && code == BN_CLICKED) {
            feed_.post(loop_click(c.field));
        } else if (c.widget == LoopWidget::Entry && code == EN_KILLFOCUS) {
            apply(control);
        }
        return true;
    }
    return false;
}

bool LoopPanel::is_entry(HWND control) const {
    for (const LoopControl& c : loop_controls()) {
        if (c.widget == LoopWidget::Entry && by_field_.at(c.field) == control) {
            return true;
        }
    }
    return false;
}

void LoopPanel::apply(HWND control) {
    for (const LoopControl& c : loop_controls()) {
        if (c.widget != LoopWidget::Entry || by_field_.at(c.field) != control) {
            continue;
        }
        // Words already in use ask nothing.
        const std::string words = to_utf8(window_text(control));
        if (!showing_ && words != loop_entry_text(view_, c.field)) {
            feed_.enter(c.field, words);
        }
    }
}

void LoopPanel::show(const LoopPanelView& view) {
    const LoopPanelView before = std::exchange(view_, view);
    showing_ = true;
    for (const LoopControl& c : loop_controls()) {
        const HWND w = by_field_.at(c.field);
        EnableWindow(w, loop_enabled(view, c.field));
        switch (c.widget) {
        case LoopWidget::Choice: {
            const LoopChoices choices = loop_choices(view, c.field);
            SendMessageW(w, CB_RESETCONTENT, 0, 0);
            for (const std::string& text : choices.texts) {
                SendMessageW(w, CB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(to_wide(text, true).c_str()));
            }
            SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(choices.chosen), 0);
            break;
        }
        case LoopWidget::Check:
            SendMessageW(w, BM_SETCHECK, loop_checked(view, c.field) ? BST_CHECKED : BST_UNCHECKED,
                         0);
            break;
        case LoopWidget::Readout:
            SetWindowTextW(w, to_wide(loop_readout(view, c.field), true).c_str());
            break;
        case LoopWidget::Entry:
            if (loop_entry_renewed(before, view, c.field)) {
                SetWindowTextW(w, to_wide(loop_entry_text(view, c.field), true).c_str());
            }
            break;
        case LoopWidget::Action:
            break;
        }
    }
    showing_ = false;
}

} // namespace dopplex::app::win32
