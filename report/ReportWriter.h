#pragma once

#include "common/LocalTime.h"
#include "common/MessageBoxes.h"
#include "report/ReportFiles.h"
#include "report/ReportLocale.h"
#include "report/ReportOutput.h"
#include "settings/Settings.h"
#include "store/RecordingInfo.h"
#include "store/SessionStore.h"

#include <functional>
#include <string>

namespace quill {

// The addresses of the report's footer, set when the program is built. With
// no site the credit names the program without a link; without the payment
// form's address, button image and recipient the footer has no form.
struct TFooterOptions {
    std::string MakerSite;
    std::string PaymentForm;
    std::string PaymentButton;
    std::string PaymentRecipient;

    bool HasPaymentForm() const noexcept {
        return !PaymentForm.empty() && !PaymentButton.empty() && !PaymentRecipient.empty();
    }
};

// The footer as this build was configured.
TFooterOptions BuiltFooterOptions();

// The page the program offers at exit: the payment form, when the build has
// one; empty otherwise, and then nothing is opened.
std::string DonationPage(const TFooterOptions& footer);

// What the writer uses of the platform.
struct TReportPlatform {
    IReportFiles& Files;
    const IReportLocale& Locale;
    const ILocalTime& Clock;
    IMessageBoxes& Boxes;
};

// Writes the session's report as one HTML file, UTF-8, and opens it. The
// file is made complete under a temporary name in the report's folder and
// only then put in the report's place, so that a write that fails (a full
// disk) leaves the earlier report as it was.
class TReportWriter {
public:
    // Sets every result record's Included flag from the filter's switches
    // and ignore lists, as they are when the report is written.
    using TApplyResultFilter = std::function<void()>;

    TReportWriter(TSessionStore& store, const TSettings& settings, const TReportPlatform& platform,
                  TFooterOptions footer, TApplyResultFilter applyResultFilter);

    // True when the report was written. reportFile may change: with
    // ReportDateTime on it names the file with the date prefix. A failure is
    // shown to the user and leaves any earlier report untouched.
    bool Write(std::string& reportFile, const TRecordingInfo& recording, bool openAfterwards);

private:
    void WriteBody(TReportOutput& out, const TRecordingInfo& recording, TDateTime now);
    void WriteDetails(TReportOutput& out, const TRecordingInfo& recording);
    void WriteNotes(TReportOutput& out);
    void WriteRegistry(TReportOutput& out);
    void WriteFiles(TReportOutput& out);
    void WriteFooter(TReportOutput& out);

    TSessionStore& FStore;
    const TSettings& FSettings;
    TReportPlatform FPlatform;
    TFooterOptions FFooter;
    TApplyResultFilter FApplyResultFilter;
};

} // namespace quill
