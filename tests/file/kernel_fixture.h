// A kernel object with just the parts the resource files use, over a private home.
#pragma once

#include "file/content_store.h"
#include "file/current_art.h"
#include "file/searcher.h"
#include "kernel/config.h"
#include "kernel/font_metrics.h"
#include "kernel/persistent_singleton.h"
#include "kernel/thread.h"
#include "tests/support/test_support.h"

namespace Zorva::Testing {

struct FileKernel {
    explicit FileKernel(const std::u16string& resourceRoot = {}, const std::u16string& userFolder = {})
    {
        kernel.pool.Emplace(6u);
        kernel.fontMetrics.Emplace();
        kernel.config.Emplace();
        kernel.contentStore.Emplace();
        kernel.currentArt.Emplace();
        kernel.searcher.Emplace(resourceRoot, userFolder);
    }
    File::CContentStore& Store() { return *kernel.contentStore; }
    Kernel::CFontMetrics& Font() { return *kernel.fontMetrics; }

    Kernel::CPersistentSingleton kernel{Kernel::CPersistentSingleton::Bare{}};
};

} // namespace Zorva::Testing
