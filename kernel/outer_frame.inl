// Implementation of OuterFrame; included by exceptions.h.
#pragma once

#include "platform/process.h"

#include <exception>
#include <new>
#include <system_error>

namespace Zorva {

void ReportUnknownException();

template <class F>
void OuterFrame(F&& body)
{
    try {
        body();
    } catch (const std::bad_alloc&) {
        Platform::ExitProcess(1);
    } catch (const std::system_error&) {
        Platform::ExitProcess(1);
    } catch (const std::exception& e) {
        ReportStandardException(e.what());
    } catch (const Exception::CGenericZorvaException&) {
        // It reported itself when it was made.
    } catch (...) {
        ReportUnknownException();
    }
}

} // namespace Zorva
