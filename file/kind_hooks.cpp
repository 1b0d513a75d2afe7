#include "file/kind_hooks.h"

namespace Zorva::File {

KindHooks& GetKindHooks()
{
    static KindHooks hooks;
    return hooks;
}

} // namespace Zorva::File
