// The failure family. Every failure is thrown as one of these kinds; constructing one reports the
// failure at once (the first report of a process is shown to the user by a second copy of the
// program, and the program shuts down), so catch sites have nothing left to do.
#pragma once

#include "kernel/text.h"
#include "platform/hresult.h"

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

namespace Zorva {

// Process-wide flags, set once and never cleared.
extern std::atomic<bool> ErrorReported; // a failure has been reported
extern std::atomic<bool> QuitRequested; // the program is going down

// Test-and-set of QuitRequested: true when it was set already.
bool RequestQuit();

// True while work may go on: neither a failure was reported nor a quit requested.
inline bool KeepWorking()
{
    return !ErrorReported.load() && !QuitRequested.load();
}

// Reports a failure: three lines to the debug output for every failure with a negative code; the
// first such report of the process also releases the pointer, closes the main window and starts a
// second copy of the program that shows the report text.
void ReportException(unsigned family, unsigned index, HRESULT code, std::u16string_view operation,
                     std::u16string_view message);

// A standard exception's what() text as the operation of a family 2, index 0 report.
void ReportStandardException(const char* what);

// The report text shown to the user (message, operation, class, code and the system's text).
std::u16string BuildReportText(unsigned family, unsigned index, HRESULT code, std::u16string_view operation,
                               std::u16string_view message);

// What a report does beyond the debug output. The shell fills the first two once its window
// exists; the third starts the message-display copy and is replaced only by tests.
struct ReportHooks {
    std::function<void()> releasePointer;
    std::function<void()> closeMainWindow;
    std::function<void(const std::u16string& text, const std::u16string& caption)> showReport;
};
ReportHooks& GetReportHooks();

namespace Exception {

struct CGenericZorvaException {};

template <int N>
struct CZorvaGeneralExc : CGenericZorvaException {};

// Each kind: (code, operation) uses the kind's own message in the current language; the
// three-argument form takes a message chosen by the throw site.
#define ZORVA_EXCEPTION_KIND(Name, N, Index, MessageKey)                                                      \
    struct Name : CZorvaGeneralExc<N> {                                                                      \
        static constexpr unsigned family = (N) + 1;                                                          \
        static constexpr unsigned index = (Index);                                                           \
        Name(HRESULT code, std::u16string_view operation, std::u16string_view message)                       \
        {                                                                                                    \
            ReportException(family, index, code, operation, message);                                        \
        }                                                                                                    \
        Name(HRESULT code, std::u16string_view operation)                                                    \
            : Name(code, operation, SelectText(Texts::MessageKey))                                           \
        {                                                                                                    \
        }                                                                                                    \
    }

ZORVA_EXCEPTION_KIND(InvalidCall, 0, 2, MsgInvalidCall);
ZORVA_EXCEPTION_KIND(NullValue, 0, 1, MsgEmptyValue);
ZORVA_EXCEPTION_KIND(NotInit, 1, 0, MsgNotInitialized);
ZORVA_EXCEPTION_KIND(COMInitialization, 1, 0, MsgComInitFailed);
ZORVA_EXCEPTION_KIND(InvalidClass, 2, 1, MsgCannotConvert);
ZORVA_EXCEPTION_KIND(IOError, 3, 0, MsgDataDisk);
ZORVA_EXCEPTION_KIND(FileCorrupt, 3, 1, MsgFileDamagedReinstall);
ZORVA_EXCEPTION_KIND(InvalidXML, 3, 2, MsgDatabaseMalformed);
ZORVA_EXCEPTION_KIND(AudioFailed, 4, 0, MsgSoundCardUpdateDriver);
ZORVA_EXCEPTION_KIND(Driver3DFailed, 5, 0, Msg3DSubsystem);
ZORVA_EXCEPTION_KIND(NoDataFound, 6, 0, MsgFileNotFoundReinstall);

#undef ZORVA_EXCEPTION_KIND

} // namespace Exception

// The outermost frame of every thread, task runner, window-message handler and callback: the
// five catch clauses in their order. Out of memory and system errors end the process at once.
template <class F>
void OuterFrame(F&& body);

} // namespace Zorva

#include "kernel/outer_frame.inl"
