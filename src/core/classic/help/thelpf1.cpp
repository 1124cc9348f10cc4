#include "classic/help/thelpf1.h"

#include "classic/help/user_guide.h"

namespace dopplex {

std::string_view THelpf1::guide() const {
    return user_guide();
}

void THelpf1::Show() {
    visible_ = true;
    if (observer_) {
        observer_(true);
    }
}

void THelpf1::buOKayClick() {
    hide();
}

void THelpf1::close_box() {
    hide();
}

void THelpf1::hide() {
    if (!visible_) {
        return;
    }
    visible_ = false;
    if (observer_) {
        observer_(false);
    }
}

} // namespace dopplex
