#include "help_window.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace dopplex::app {

namespace {

QString to_qstring(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The text wide enough that no line of the guide wraps (its rules and tables stay whole) and
// thirty lines high, with the button below; never more than the screen.
QSize first_size(const QPlainTextEdit& text, const QPushButton& okay, const QWidget& window,
                 std::string_view guide) {
    const QFontMetrics metrics(text.font());
    int widest = 0;
    for (const QString& line : to_qstring(guide).split('\n')) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    const int frame =
        2 * static_cast<int>(std::ceil(text.document()->documentMargin())) + 2 * text.frameWidth();
    const int width = widest + frame + text.verticalScrollBar()->sizeHint().width();
    const int height = 30 * metrics.lineSpacing() + frame;
    QSize size(width + 2 * HelpWindow::kPadding, height + okay.height() + 3 * HelpWindow::kPadding);
    if (const QScreen* screen = window.screen()) {
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    }
    return size.expandedTo(window.minimumSize());
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      text_(new QPlainTextEdit(this)), okay_(new QPushButton(this)) {
    setWindowTitle(to_qstring(model_.caption()));
    text_->setReadOnly(true);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const std::string_view guide = model_.guide();
    text_->setPlainText(to_qstring(guide));
    okay_->setText(to_qstring(THelpf1::kOkayCaption));
    okay_->setFixedSize(75, 25);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->setSpacing(kPadding);
    layout->addWidget(text_, 1);
    layout->addWidget(okay_, 0, Qt::AlignHCenter);
    setMinimumSize(kMinimumSize);
    resize(first_size(*text_, *okay_, *this, guide));
    connect(okay_, &QPushButton::clicked, this, [this] { model_.buOKayClick(); });
    model_.set_observer([this](bool visible) {
        if (!visible) {
            hide();
            return;
        }
        show();
        raise();
        activateWindow();
    });
}

void HelpWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    model_.close_box();
}

} // namespace dopplex::app
