#include "error_report.h"

#include <QMessageBox>
#include <QPointer>

namespace dopplex::app {

void install_error_report(RealHost& host, QWidget& parent) {
    QPointer<QWidget> owner(&parent);
    host.set_show_report([owner](const std::string& text, std::function<void()> closed) {
        QMetaObject::invokeMethod(
            owner,
            [owner, text, closed = std::move(closed)] {
                auto* box = new QMessageBox(QMessageBox::Critical, "Dopplex",
                                            QString::fromStdString(text), QMessageBox::Ok, owner);
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->setWindowModality(Qt::ApplicationModal);
                QObject::connect(box, &QMessageBox::finished, box, [closed] { closed(); });
                box->show();
            },
            Qt::QueuedConnection);
    });
}

} // namespace dopplex::app
