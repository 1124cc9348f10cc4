#include "painting.h"

#include "led_legend.h"
#include "readout_text.h"
#include "wide_text.h"

#include <algorithm>

namespace dopplex::app::win32 {

namespace {

// Layout units inside a picture, turned into pixels of the window.
class Canvas {
public:
    Canvas(HDC dc, const Rect& place, UINT dpi) : dc_(dc), place_(place), dpi_(dpi) {}
    int x(int value) const { return scaled(place_.x + value, dpi_); }
    int y(int value) const { return scaled(place_.y + value, dpi_); }
    RECT rect(int left, int top, int width, int height) const {
        return RECT{x(left), y(top), x(left + width), y(top + height)};
    }
    int width() const { return place_.w; }
    int height() const { return place_.h; }

    void fill(const RECT& r, COLORREF color) const {
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc_, &r, brush);
        DeleteObject(brush);
    }
    // Top to bottom from one colour to the other, in bands of one layout unit.
    void gradient(COLORREF top, COLORREF bottom) const {
        for (int row = 0; row < height(); ++row) {
            const auto mix = [&](int shift) {
                const int a = (top >> shift) & 0xFF, b = (bottom >> shift) & 0xFF;
                return a + (b - a) * row / std::max(1, height() - 1);
            };
            fill(rect(0, row, width(), 1), RGB(mix(0), mix(8), mix(16)));
        }
    }
    void shape(COLORREF pen_color, int pen_width, COLORREF brush_color, bool filled,
               auto&& draw) const {
        HPEN pen = CreatePen(PS_SOLID, std::max(1, scaled(pen_width, dpi_)), pen_color);
        HBRUSH brush = filled ? CreateSolidBrush(brush_color)
                              : static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        HGDIOBJ old_pen = SelectObject(dc_, pen);
        HGDIOBJ old_brush = SelectObject(dc_, brush);
        draw(dc_);
        SelectObject(dc_, old_pen);
        SelectObject(dc_, old_brush);
        DeleteObject(pen);
        if (filled) {
            DeleteObject(brush);
        }
    }
    void line(COLORREF color, int pen_width, int x0, int y0, int x1, int y1) const {
        shape(color, pen_width, 0, false, [&](HDC dc) {
            MoveToEx(dc, x(x0), y(y0), nullptr);
            LineTo(dc, x(x1), y(y1));
        });
    }
    void text(std::string_view words, HFONT font, COLORREF color, RECT r, UINT format) const {
        HGDIOBJ old = SelectObject(dc_, font);
        SetBkMode(dc_, TRANSPARENT);
        SetTextColor(dc_, color);
        std::wstring wide = to_wide(words);
        DrawTextW(dc_, wide.c_str(), static_cast<int>(wide.size()), &r, format | DT_NOPREFIX);
        SelectObject(dc_, old);
    }

private:
    HDC dc_;
    Rect place_;
    UINT dpi_;
};

COLORREF from_rgb(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

COLORREF dimmed(COLORREF color, int divisor) {
    return RGB(GetRValue(color) / divisor, GetGValue(color) / divisor, GetBValue(color) / divisor);
}

// A small satellite centred at (cx, cy): two solar wings and a golden body with its dish.
void draw_satellite(const Canvas& c, int cx, int cy) {
    for (int side : {-1, 1}) {
        const int left = cx + (side < 0 ? -26 : 8);
        c.shape(RGB(30, 40, 60), 1, RGB(40, 70, 160), true, [&](HDC dc) {
            Rectangle(dc, c.x(left), c.y(cy - 5), c.x(left + 18), c.y(cy + 5));
        });
        c.line(RGB(120, 160, 230), 1, left, cy, left + 18, cy);
    }
    c.shape(RGB(30, 40, 60), 1, RGB(210, 185, 100), true,
            [&](HDC dc) { Rectangle(dc, c.x(cx - 6), c.y(cy - 7), c.x(cx + 6), c.y(cy + 7)); });
    c.line(RGB(30, 40, 60), 1, cx, cy + 7, cx, cy + 12);
    c.shape(RGB(30, 40, 60), 1, RGB(220, 220, 225), true, [&](HDC dc) {
        Chord(dc, c.x(cx - 5), c.y(cy + 10), c.x(cx + 5), c.y(cy + 16), c.x(cx + 5), c.y(cy + 13),
              c.x(cx - 5), c.y(cy + 13));
    });
}

// The LED labels' font, small enough that the widest label leaves a gap to its neighbours.
HFONT fitted_label_font(HDC dc, HFONT font, int room) {
    HGDIOBJ old = SelectObject(dc, font);
    int widest = 0;
    for (const LedLegend& led : kLedLegend) {
        const std::wstring label = to_wide(led.label);
        SIZE extent{};
        GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &extent);
        widest = std::max(widest, static_cast<int>(extent.cx));
    }
    SelectObject(dc, old);
    LOGFONTW shape{};
    GetObjectW(font, sizeof shape, &shape);
    if (widest > room && room > 0) {
        shape.lfHeight = MulDiv(shape.lfHeight, room, widest);
    }
    return CreateFontIndirectW(&shape);
}

} // namespace

void paint_off_screen(HWND window, const std::function<void(HDC dc, const RECT& client)>& draw) {
    PAINTSTRUCT ps;
    HDC screen = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(dc, bitmap);
    draw(dc, client);
    BitBlt(screen, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, dc, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EndPaint(window, &ps);
}

void paint_banner(HDC dc, const Rect& place, const Fonts& fonts, UINT dpi) {
    const Canvas c(dc, place, dpi);
    c.gradient(RGB(6, 12, 40), RGB(24, 52, 110));
    // A fixed scatter of stars, the same at every paint, none behind the words.
    unsigned seed = 12345;
    for (int i = 0; i < 60; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int x = static_cast<int>((seed >> 8) % static_cast<unsigned>(c.width()));
        seed = seed * 1103515245u + 12345u;
        const int y = static_cast<int>((seed >> 8) % static_cast<unsigned>(c.height() * 7 / 10));
        const int level = 120 + static_cast<int>((seed >> 4) % 135);
        if (x < 300 && y > 8 && y < 106) {
            continue;
        }
        c.fill(c.rect(x, y, 1, 1), RGB(level, level, 255));
    }
    // The Earth's limb, clipped to the banner, and the satellite on its orbit.
    const RECT frame = c.rect(0, 0, c.width(), c.height());
    HRGN clip = CreateRectRgnIndirect(&frame);
    SelectClipRgn(dc, clip);
    c.shape(RGB(110, 190, 240), 2, RGB(20, 90, 140), true, [&](HDC d) {
        Ellipse(d, c.x(c.width() / 2 - 330), c.y(c.height() - 30), c.x(c.width() / 2 + 330),
                c.y(c.height() + 550));
    });
    SelectClipRgn(dc, nullptr);
    DeleteObject(clip);
    draw_satellite(c, c.width() * 4 / 5, 46);

    c.text(kBannerLines[0], fonts.banner(), RGB(0, 0, 0), c.rect(20, 14, c.width(), 56),
           DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    c.text(kBannerLines[0], fonts.banner(), RGB(255, 215, 80), c.rect(18, 12, c.width(), 56),
           DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    c.text(kBannerLines[1], fonts.bold(), RGB(210, 225, 255), c.rect(20, 68, c.width() - 30, 18),
           DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    c.text(kBannerLines[2], fonts.normal(), RGB(160, 185, 230), c.rect(20, 86, c.width() - 30, 18),
           DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    c.shape(RGB(120, 140, 180), 1, 0, false,
            [&](HDC d) { Rectangle(d, frame.left, frame.top, frame.right, frame.bottom); });
}

void paint_satellite(HDC dc, const Rect& place, bool downlink, const Fonts& fonts, UINT dpi) {
    const Canvas c(dc, place, dpi);
    c.gradient(RGB(10, 18, 48), RGB(30, 60, 120));
    draw_satellite(c, c.width() / 2, 24);
    const int mid = c.width() / 2, base = c.height() - 10;
    const COLORREF mast = RGB(200, 200, 210);
    c.line(mast, 1, mid, base, mid, base - 16);
    c.line(mast, 1, mid - 8, base - 12, mid + 8, base - 12);
    c.line(mast, 1, mid - 5, base, mid + 5, base);
    const COLORREF arrow = downlink ? RGB(250, 220, 30) : RGB(230, 60, 50);
    const int top = 44, bottom = base - 22;
    const int tip = downlink ? bottom : top, back = downlink ? -5 : 5;
    c.line(arrow, 2, mid, top, mid, bottom);
    c.line(arrow, 2, mid, tip, mid - 4, tip + back);
    c.line(arrow, 2, mid, tip, mid + 4, tip + back);
    c.text(downlink ? "RX" : "TX", fonts.small(), arrow, c.rect(6, base - 14, 24, 14), DT_LEFT);
}

void paint_led_panel(HDC dc, const Rect& place, const port::PortStatus* status, const Fonts& fonts,
                     UINT dpi) {
    const Canvas c(dc, place, dpi);
    const RECT frame = c.rect(0, 0, c.width(), c.height());
    c.shape(RGB(90, 90, 90), 1, RGB(28, 30, 34), true, [&](HDC d) {
        RoundRect(d, frame.left, frame.top, frame.right, frame.bottom, scaled(12, dpi),
                  scaled(12, dpi));
    });
    c.text(kLedPanelTitle, fonts.small(), RGB(170, 175, 180), c.rect(10, 4, c.width() - 20, 16),
           DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    const bool unknown = lines_unknown(status);
    const int byte = status && status->lines ? *status->lines : 0;
    const int step = (c.width() - 20) / 8;
    HFONT labels = fitted_label_font(dc, fonts.tiny(), scaled(step - 6, dpi));
    for (int bit = 0; bit < 8; ++bit) {
        const int cx = 10 + step * bit + step / 2, cy = 36;
        const bool on = !unknown && ((byte >> bit) & 1) != 0;
        const COLORREF base = from_rgb(kLedLegend[bit].rgb);
        const COLORREF fill = unknown ? RGB(70, 70, 70) : on ? base : dimmed(base, 4);
        c.shape(RGB(10, 10, 10), 1, fill, true,
                [&](HDC d) { Ellipse(d, c.x(cx - 9), c.y(cy - 9), c.x(cx + 9), c.y(cy + 9)); });
        if (on) {
            c.shape(RGB(255, 255, 255), 1, RGB(255, 255, 255), true,
                    [&](HDC d) { Ellipse(d, c.x(cx - 4), c.y(cy - 5), c.x(cx), c.y(cy - 1)); });
        }
        if (unknown) {
            c.text("?", fonts.small(), RGB(220, 220, 220), c.rect(cx - 9, cy - 9, 18, 18),
                   DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        c.text(kLedLegend[bit].label, labels, on ? base : RGB(150, 150, 150),
               c.rect(cx - step / 2, 49, step, 14), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    DeleteObject(labels);
    c.text(port_status_line(status), fonts.normal(),
           port_healthy(status) ? RGB(120, 220, 130) : RGB(255, 120, 90),
           c.rect(10, c.height() - 34, c.width() - 20, 30),
           DT_LEFT | DT_WORDBREAK | DT_EDITCONTROL | DT_END_ELLIPSIS);
    c.text(lines_text(status), fonts.small(), RGB(150, 150, 150), c.rect(10, 4, c.width() - 20, 16),
           DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

void paint_train_bar(HDC dc, const RECT& r, const std::optional<TrainProgress>& train,
                     const Fonts& fonts, HBRUSH done_brush) {
    FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
    if (train && train->count > 0) {
        RECT done = r;
        done.right = r.left + MulDiv(r.right - r.left, train->sent, train->count);
        FillRect(dc, &done, done_brush);
    }
    FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
    if (!train) {
        return;
    }
    const std::wstring text = to_wide(train_text(*train));
    RECT inner = r;
    HGDIOBJ old = SelectObject(dc, fonts.normal());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &inner,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
}

void paint_frames(HDC dc, const Fonts& fonts, UINT dpi) {
    RECT tracking{scaled(kTrackingFrame.x, dpi), scaled(kTrackingFrame.y, dpi),
                  scaled(kTrackingFrame.x + kTrackingFrame.w, dpi),
                  scaled(kTrackingFrame.y + kTrackingFrame.h, dpi)};
    DrawEdge(dc, &tracking, EDGE_SUNKEN, BF_RECT);
    RECT step{scaled(kStepFrame.x, dpi), scaled(kStepFrame.y + 6, dpi),
              scaled(kStepFrame.x + kStepFrame.w, dpi), scaled(kStepFrame.y + kStepFrame.h, dpi)};
    DrawEdge(dc, &step, EDGE_ETCHED, BF_RECT);
    HGDIOBJ old = SelectObject(dc, fonts.normal());
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const std::wstring title = L" " + to_wide(kStepFrameTitle) + L" ";
    RECT text{scaled(kStepFrame.x + 6, dpi), scaled(kStepFrame.y, dpi),
              scaled(kStepFrame.x + kStepFrame.w, dpi), scaled(kStepFrame.y + 14, dpi)};
    DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &text,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
}

} // namespace dopplex::app::win32
