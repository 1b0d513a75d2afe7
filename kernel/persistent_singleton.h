// The kernel object: exactly one per process, a local object of the program's main function whose
// members are the long-lived parts of the program, built in declaration order and destroyed in
// reverse. Every thread reaches it through Singleton().
//
// Members of higher subsystems are held as Owned<> slots of forward-declared types: the program's
// own constructor (in the application shell) fills them in order; tests build the object bare and
// fill only the parts they exercise.
#pragma once

#include "kernel/owned.h"

#include <atomic>
#include <cstdint>
#include <random>

namespace Zorva {
namespace Thread {
class CThreadPool;
}
namespace File {
class CContentStore;
class CFileSearcher;
} // namespace File
namespace Audio {
class CPermanentAudio;
}
namespace Renderer {
class CRendererThread;
}
namespace GUI {
class CSatelliteManager;
}
class CTemporaryFolder;

namespace Kernel {

class CMusicList;
struct CFontMetrics;
class CDirect3DSingleton;

class CPersistentSingleton {
public:
    class CConfig;
    class CCurrentArtProfile;
    class CChangeCue;

    // The whole program's kernel, built step by step (defined by the application shell).
    CPersistentSingleton();
    // Nothing built: every slot is empty until its owner fills it.
    struct Bare {};
    explicit CPersistentSingleton(Bare);
    CPersistentSingleton(const CPersistentSingleton&) = delete;
    CPersistentSingleton& operator=(const CPersistentSingleton&) = delete;
    ~CPersistentSingleton();

private:
    // Publishes the object first and withdraws it last, so members may reach it while they are
    // built and while they go.
    struct Publisher {
        explicit Publisher(CPersistentSingleton* self);
        ~Publisher();
    } publisher_;

public:
    Owned<CMusicList> musicStreams;
    Owned<Thread::CThreadPool> pool;
    Owned<CFontMetrics> fontMetrics;
    Owned<CConfig> config;
    // Consumed by the first frame the renderer draws.
    std::atomic<bool> firstFrame{true};
    Owned<GUI::CSatelliteManager> satellites;
    std::mt19937 random;
    std::int32_t lastRandomPick = -1;
    Owned<File::CContentStore> contentStore;
    Owned<CCurrentArtProfile> currentArt;
    Owned<Audio::CPermanentAudio> audio;
    Owned<CDirect3DSingleton> sceneRoot;
    Owned<File::CFileSearcher> searcher;
    Owned<CTemporaryFolder> temporaryFolder;
    Owned<CChangeCue> changeCue;
    Owned<Renderer::CRendererThread> renderThread;
};

// The published kernel object; null outside its lifetime.
CPersistentSingleton* SingletonPointer();
inline CPersistentSingleton& Singleton()
{
    return *SingletonPointer();
}

} // namespace Kernel
} // namespace Zorva
