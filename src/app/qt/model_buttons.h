// Check boxes and radio buttons whose state only the model sets: a click is reported, but the
// widget does not toggle on its own; the model's answer (Checked) sets it.
#pragma once

#include <QCheckBox>
#include <QRadioButton>

namespace dopplex::app {

class ModelCheckBox final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

class ModelRadioButton final : public QRadioButton {
public:
    explicit ModelRadioButton(QWidget* parent) : QRadioButton(parent) { setAutoExclusive(false); }

protected:
    void nextCheckState() override {}
};

} // namespace dopplex::app
