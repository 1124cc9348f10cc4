// The mailbox (mailbox.h) to a QObject's thread: the delivery is a queued call, dropped once the
// receiver is gone.
#pragma once

#include "mailbox.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <functional>
#include <utility>

namespace dopplex::app {

inline MailboxSchedule queued_to(QObject* receiver) {
    return [receiver = QPointer<QObject>(receiver)](std::function<void()> call) {
        if (receiver.isNull()) {
            return false;
        }
        QMetaObject::invokeMethod(receiver.data(), std::move(call), Qt::QueuedConnection);
        return true;
    };
}

template <class Batch> class GuiMailbox : public Mailbox<Batch> {
public:
    GuiMailbox(QObject* receiver, std::function<void(Batch&)> deliver)
        : Mailbox<Batch>(queued_to(receiver), std::move(deliver)) {}
};

} // namespace dopplex::app
