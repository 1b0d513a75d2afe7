#include "kernel/exceptions.h"

#include "kernel/folders.h"
#include "kernel/strings.h"
#include "platform/debug_output.h"
#include "platform/error_text.h"
#include "platform/process.h"

#include <typeinfo>

namespace Zorva {

std::atomic<bool> ErrorReported{false};
std::atomic<bool> QuitRequested{false};

bool RequestQuit()
{
    return QuitRequested.exchange(true);
}

ReportHooks& GetReportHooks()
{
    static ReportHooks hooks{
        {},
        {},
        [](const std::u16string& text, const std::u16string& caption) {
            // A second copy of the program in message-display mode shows the report.
            const std::string exe = WideToUtf8(GetExecutablePath());
            Platform::StartProcess(exe, {"+msg", WideToUtf8(HexEncodeText(text)), WideToUtf8(HexEncodeText(caption))});
        },
    };
    return hooks;
}

namespace {

std::string LossyUtf8(std::u16string_view text)
{
    try {
        return WideToUtf8(text);
    } catch (const std::bad_cast&) {
        std::string out;
        for (char16_t c : text)
            out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        return out;
    }
}

std::u16string LossyWide(const char* utf8)
{
    const std::string_view text(utf8 != nullptr ? utf8 : "");
    try {
        return Utf8ToWide(text);
    } catch (const std::bad_cast&) {
        std::u16string out;
        for (char c : text)
            out.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c) : u'\uFFFD');
        return out;
    }
}

} // namespace

std::u16string BuildReportText(unsigned family, unsigned index, HRESULT code, std::u16string_view operation,
                               std::u16string_view message)
{
    const std::u16string separator = u"\n--------------------\n";
    std::u16string text(message);
    text += u"\n";
    text += separator + u"Operation: " + std::u16string(operation);
    text += separator + u"Class: 0x" + ToHex(static_cast<std::uint64_t>(family) * 65536u + index);
    text += separator + u"Code: 0x" + ToHex(static_cast<std::uint32_t>(code)) + u"\n";
    const std::string system = Platform::SystemErrorText(code, LanguageId.load());
    if (!system.empty())
        text += LossyWide(system.c_str()) + u"\n";
    return text;
}

void ReportException(unsigned family, unsigned index, HRESULT code, std::u16string_view operation,
                     std::u16string_view message)
{
    if (code >= 0)
        return;
    Platform::DebugOutput("Exception has been created\n" + LossyUtf8(message) + "\n" + LossyUtf8(operation) + "\n");
    if (ErrorReported.exchange(true))
        return;
    const std::u16string text = BuildReportText(family, index, code, operation, message);
    ReportHooks& hooks = GetReportHooks();
    if (hooks.releasePointer)
        hooks.releasePointer();
    if (hooks.closeMainWindow)
        hooks.closeMainWindow();
    if (hooks.showReport) {
        try {
            hooks.showReport(text, SelectText(Texts::MsgUnexpectedError));
        } catch (...) {
            // Nothing can be shown; the program still shuts down with exit code 1.
        }
    }
}

void ReportStandardException(const char* what)
{
    ReportException(2, 0, E_FAIL, LossyWide(what), u"Standard Exception");
}

void ReportUnknownException()
{
    ReportException(1, 0, E_FAIL, u"Unknown Exception", SelectText(Texts::MsgUnexpectedError));
}

} // namespace Zorva
