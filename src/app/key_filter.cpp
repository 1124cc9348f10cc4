#include "key_filter.h"

#include "engine_session.h"
#include "main_window.h"

#include <QApplication>
#include <QKeyEvent>

#include <string>

namespace dopplex::app {

namespace {

// The platform's virtual-key codes of the arrow keys.
int arrow_key_code(int key) {
    switch (key) {
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
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
    if (event->type() != QEvent::KeyPress || QApplication::activeModalWidget())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (const int code = arrow_key_code(key->key())) {
        if (key->modifiers() & Qt::AltModifier)
            session_.post_input([code](TFMain& form) { form.SysKeyDown(code); });
        else
            session_.post_input([code](TFMain& form) { form.KeyDown(code); });
        return true;
    }
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter || !inside(watched, window_))
        return false;
    // The engine's own focus does not follow the operator into edits and check boxes, so the
    // window names the button: the focused push button, else the default one.
    const std::string focused = window_.focused_button();
    const std::string target = focused.empty() ? std::string("Button7") : focused;
    session_.post_input([target](TFMain& form) { form.Click(target); });
    return true;
}

} // namespace dopplex::app
