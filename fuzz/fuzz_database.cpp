// The content database handlers on arbitrary documents, with a kernel that has font metrics and a
// picture to restore: failures are exceptions, never memory faults.
#include "file/content_store.h"
#include "file/database.h"
#include "kernel/exceptions.h"
#include "kernel/font_metrics.h"
#include "kernel/persistent_singleton.h"

#include <cstdint>
#include <stdexcept>

namespace {

Zorva::Kernel::CPersistentSingleton& Kernel()
{
    static Zorva::Kernel::CPersistentSingleton* kernel = [] {
        auto* k = new Zorva::Kernel::CPersistentSingleton(Zorva::Kernel::CPersistentSingleton::Bare{});
        k->fontMetrics.Emplace();
        k->contentStore.Emplace();
        k->contentStore->AddPicture(u"cat", Zorva::File::ArtRecord());
        return k;
    }();
    return *kernel;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Zorva::GetReportHooks().showReport = nullptr;
    Zorva::Kernel::CPersistentSingleton& kernel = Kernel();
    try {
        Zorva::File::CBookDatabaseReader reader(std::span<const std::uint8_t>(data, size));
    } catch (const Zorva::Exception::CGenericZorvaException&) {
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    }
    // Keep the tables from growing without end across runs.
    if (kernel.fontMetrics->glyphs.size() > 4096)
        kernel.fontMetrics->ClearGlyphs();
    return 0;
}
