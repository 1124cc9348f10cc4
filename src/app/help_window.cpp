#include "help_window.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

namespace dopplex::app {

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      text_(new QPlainTextEdit(this)), okay_(new QPushButton(this)) {
    setWindowTitle(QString::fromUtf8(model_.caption().data(),
                                     static_cast<qsizetype>(model_.caption().size())));
    setFixedSize(394, 251);
    text_->setGeometry(16, 16, 361, 169);
    text_->setReadOnly(true);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const std::string_view guide = model_.guide();
    text_->setPlainText(QString::fromUtf8(guide.data(), static_cast<qsizetype>(guide.size())));
    okay_->setGeometry(160, 208, 75, 25);
    okay_->setText(QString::fromUtf8(THelpf1::kOkayCaption.data(),
                                     static_cast<qsizetype>(THelpf1::kOkayCaption.size())));
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
