// The kernel object of the running program, built member by member in its fixed order. A step
// that throws has reported itself; the members built so far are taken down in reverse.
#include "audio/change_cue.h"
#include "audio/permanent_audio.h"
#include "file/content_store.h"
#include "file/current_art.h"
#include "file/searcher.h"
#include "kernel/config.h"
#include "kernel/exceptions.h"
#include "kernel/folders.h"
#include "kernel/font_metrics.h"
#include "kernel/music_list.h"
#include "kernel/persistent_singleton.h"
#include "kernel/thread.h"
#include "renderer/device.h"
#include "renderer/render_thread.h"

namespace Zorva::Kernel {

CPersistentSingleton::CPersistentSingleton() : publisher_(this)
{
    musicStreams.Emplace();
    pool.Emplace(6u);
    fontMetrics.Emplace();
    config.Emplace();
    static Renderer::CDeviceRebuild deviceRebuilder;
    config->deviceRebuild = &deviceRebuilder;
    random.seed(std::random_device{}());
    contentStore.Emplace();
    currentArt.Emplace();
    audio.Emplace();
    searcher.Emplace();
    temporaryFolder.Emplace();
    changeCue.Emplace();
    renderThread.Emplace();

    // Last: the audio engine starts once every member stands and the object is published.
    if (const HRESULT hr = audio->InternalStart(); Failed(hr))
        throw Exception::AudioFailed(hr, u"InternalStart");
}

} // namespace Zorva::Kernel
