#include "plot_view.h"

#include "control_ids.h"
#include "painting.h"
#include "wide_text.h"
#include "window_class.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace dopplex::app::win32 {

namespace {

COLORREF gdi(PlotColor c) {
    return RGB(c.red, c.green, c.blue);
}

void text(HDC dc, const std::string& words, RECT r, UINT format) {
    const std::wstring wide = to_wide(words, true);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
              format | DT_SINGLELINE | DT_NOPREFIX);
}

void draw_graph(HDC dc, const PlotArea& place, const PlotGraph& graph, const PassSeries& series) {
    const RECT area{static_cast<LONG>(place.left), static_cast<LONG>(place.top),
                    static_cast<LONG>(place.left + place.width),
                    static_cast<LONG>(place.top + place.height)};
    HPEN grid = CreatePen(PS_SOLID, 1, gdi(kPlotGrid));
    HGDIOBJ old_pen = SelectObject(dc, grid);
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, area.left, area.top, area.right, area.bottom);
    SelectObject(dc, old_brush);
    const RECT title_row{area.left, area.top - static_cast<LONG>(kPlotTitleHeight), area.right,
                         area.top};
    text(dc, graph.title, title_row, DT_LEFT | DT_VCENTER);
    if (!series.points().empty()) {
        const auto range = graph_range(series.points(), graph);
        text(dc, axis_label(range.second, graph.unit), title_row, DT_RIGHT | DT_VCENTER);
        text(dc, axis_label(range.first, graph.unit),
             RECT{area.left + 6, area.top, area.right - 6, area.bottom - 2}, DT_RIGHT | DT_BOTTOM);
        HRGN clip = CreateRectRgn(area.left, area.top, area.right, area.bottom);
        SelectClipRgn(dc, clip);
        for (const PlotSeries& s : graph.series) {
            HPEN pen = CreatePen(s.line == PlotLine::Solid ? PS_SOLID : PS_DASH, 1, gdi(s.color));
            SelectObject(dc, pen);
            for (const std::vector<PlotPoint>& line : series.lines(s, range, place)) {
                MoveToEx(dc, std::lround(line.front().x), std::lround(line.front().y), nullptr);
                for (const PlotPoint& at : line) {
                    LineTo(dc, std::lround(at.x), std::lround(at.y));
                }
            }
            SelectObject(dc, grid);
            DeleteObject(pen);
        }
        SelectClipRgn(dc, nullptr);
        DeleteObject(clip);
    }
    SelectObject(dc, old_pen);
    DeleteObject(grid);
}

} // namespace

PlotView::PlotView(HINSTANCE instance, HWND owner) {
    register_window_class(instance, kPlotWindowClass, view_procedure<PlotView>);
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kPlotWindowClass, L"Dopplex - pass plot",
                              WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 560, 420, owner,
                              nullptr, instance, this);
    if (!window_) {
        throw std::runtime_error("The pass plot window could not be created (error " +
                                 std::to_string(GetLastError()) + ")");
    }
    SetTimer(window_, 1, 1000, nullptr);
}

PlotView::~PlotView() {
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void PlotView::set_visible(bool visible) {
    ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
}

void PlotView::start(const TrackingPoint& aos) {
    series_.start(aos);
    InvalidateRect(window_, nullptr, FALSE);
}

void PlotView::add(const TrackingPoint& point) {
    if (series_.add(point)) {
        InvalidateRect(window_, nullptr, FALSE);
    }
}

void PlotView::add(const PulseRecord& pulse) {
    if (series_.add(pulse)) {
        InvalidateRect(window_, nullptr, FALSE);
    }
}

void PlotView::paint() {
    // Off screen, so the plot does not flicker once a second.
    paint_off_screen(window_, [this](HDC dc, const RECT& client) {
        HBRUSH background = CreateSolidBrush(gdi(kPlotBackground));
        FillRect(dc, &client, background);
        DeleteObject(background);
        HGDIOBJ old_font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, gdi(kPlotText));
        text(dc, series_.title(), RECT{10, 4, client.right - 10, 22}, DT_LEFT | DT_VCENTER);
        const std::vector<PlotGraph> graphs = series_.graphs();
        const auto areas = graph_areas(client.right, client.bottom);
        for (std::size_t i = 0; i < areas.size(); ++i) {
            draw_graph(dc, areas[i], graphs[i], series_);
        }
        text(dc, series_.footer(),
             RECT{10, client.bottom - 20, client.right - 10, client.bottom - 2},
             DT_LEFT | DT_VCENTER);
        SelectObject(dc, old_font);
    });
}

LRESULT PlotView::handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paint();
        return 0;
    case WM_TIMER:
        if (on_second) {
            on_second();
        }
        return 0;
    case WM_CLOSE:
        set_visible(false);
        if (on_hidden) {
            on_hidden();
        }
        return 0;
    default:
        return DefWindowProcW(window_, message, w, l);
    }
}

} // namespace dopplex::app::win32
