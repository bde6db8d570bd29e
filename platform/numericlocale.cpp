#include "platform/numericlocale.h"

#include <clocale>

#include <locale.h>

namespace vindelor::platform {

ScopedCNumbers::ScopedCNumbers() {
    const locale_t current = ::uselocale(static_cast<locale_t>(nullptr));
    const locale_t base =
        current == LC_GLOBAL_LOCALE ? ::duplocale(LC_GLOBAL_LOCALE) : ::duplocale(current);
    if (base == static_cast<locale_t>(nullptr)) {
        return;
    }
    const locale_t numeric = ::newlocale(LC_NUMERIC_MASK, "C", base);
    if (numeric == static_cast<locale_t>(nullptr)) {
        ::freelocale(base);
        return;
    }
    numeric_ = numeric;
    previous_ = current;
    ::uselocale(numeric);
}

ScopedCNumbers::~ScopedCNumbers() {
    if (numeric_ != nullptr) {
        ::uselocale(static_cast<locale_t>(previous_));
        ::freelocale(static_cast<locale_t>(numeric_));
    }
}

}  // namespace vindelor::platform
