#include "key_filter.h"

#include "engine_session.h"
#include "key_rules.h"
#include "loop_panel_widgets.h"
#include "main_window.h"

#include <QApplication>
#include <QKeyEvent>

namespace dopplex::app {

namespace {

// The platform's virtual-key code of a key the rules know, else 0.
int virtual_key(int key) {
    switch (key) {
    case Qt::Key_Left:
        return kVkLeft;
    case Qt::Key_Up:
        return kVkUp;
    case Qt::Key_Right:
        return kVkRight;
    case Qt::Key_Down:
        return kVkDown;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kVkReturn;
    default:
        return 0;
    }
}

bool inside(QObject* watched, const QWidget& window) {
    auto* w = qobject_cast<QWidget*>(watched);
    return w && w->window() == &window;
}

} // namespace

KeyFilter::KeyFilter(EngineSession& session, MainWindow& window)
    : session_(session), window_(window) {
    qApp->installEventFilter(this);
}

KeyFilter::~KeyFilter() {
    qApp->removeEventFilter(this);
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const int code = virtual_key(key->key());
    if (code == 0) {
        return false;
    }
    KeyPress press{code,
                   (key->modifiers() & Qt::AltModifier) != 0,
                   inside(watched, window_),
                   QApplication::activeModalWidget() != nullptr,
                   {},
                   // An entry's key that the entry leaves reaches its parents too.
                   window_.loop_panel().is_entry(QApplication::focusWidget())};
    if (code == kVkReturn && press.in_main_window) {
        press.focused_button = window_.focused_button();
    }
    return post_key_action(session_, key_action(press));
}

} // namespace dopplex::app
