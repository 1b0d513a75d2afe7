#include "kernel/persistent_singleton.h"

namespace Zorva::Kernel {
namespace {

std::atomic<CPersistentSingleton*> g_singleton{nullptr};

} // namespace

CPersistentSingleton* SingletonPointer()
{
    return g_singleton.load();
}

CPersistentSingleton::Publisher::Publisher(CPersistentSingleton* self)
{
    g_singleton.store(self);
}

CPersistentSingleton::Publisher::~Publisher()
{
    g_singleton.store(nullptr);
}

CPersistentSingleton::CPersistentSingleton(Bare) : publisher_(this) {}

// The members go in reverse order: the render thread is joined, the cue leaves the frame channel,
// the temporary folder record, the searcher and the scene root go, the audio engine stops, the
// current picture is written to the settings, the content store writes the profile, the
// satellites close, the font metrics and the settings go, and the worker pool stops last but one.
CPersistentSingleton::~CPersistentSingleton() = default;

} // namespace Zorva::Kernel
