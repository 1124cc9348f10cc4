// The help window: a view of THelpf1 (the guide, shown and hidden by the model's rules). Always
// on top and resizable, first wide enough for the guide's lines, read-only guide text and an
// "OKay" button; the close box only hides.
// GUI thread only; the engine's Help handler reaches it through a queued call to show_help().
#pragma once

#include "classic/help/thelpf1.h"

#include <QSize>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace dopplex::app {

class HelpWindow final : public QWidget {
public:
    static constexpr int kPadding = 16;
    static constexpr QSize kMinimumSize{394, 251};

    explicit HelpWindow(QWidget* parent = nullptr);

    void show_help() { model_.Show(); }
    const THelpf1& model() const { return model_; }
    QPlainTextEdit* text() const { return text_; }
    QPushButton* okay() const { return okay_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    THelpf1 model_;
    QPlainTextEdit* text_;
    QPushButton* okay_;
};

} // namespace dopplex::app
