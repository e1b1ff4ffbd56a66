#include "report/ReportWriter.h"

// Set by the build (CMake cache variables); empty unless given.
#ifndef QUILL_MAKER_SITE
#define QUILL_MAKER_SITE ""
#endif
#ifndef QUILL_PAYMENT_FORM
#define QUILL_PAYMENT_FORM ""
#endif
#ifndef QUILL_PAYMENT_BUTTON
#define QUILL_PAYMENT_BUTTON ""
#endif
#ifndef QUILL_PAYMENT_RECIPIENT
#define QUILL_PAYMENT_RECIPIENT ""
#endif

namespace quill {

TFooterOptions BuiltFooterOptions() {
    return {QUILL_MAKER_SITE, QUILL_PAYMENT_FORM, QUILL_PAYMENT_BUTTON, QUILL_PAYMENT_RECIPIENT};
}

std::string DonationPage(const TFooterOptions& footer) {
    return footer.HasPaymentForm() ? footer.PaymentForm : std::string();
}

} // namespace quill
