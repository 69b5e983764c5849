#include "platform/UserIdentity.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vistrel::platform {

std::string CurrentUserTag()
{
#ifdef _WIN32
    wchar_t name[257] = {};
    DWORD size = 257;
    if (!GetUserNameW(name, &size) || name[0] == 0)
        return "user";
    std::string tag;
    for (const wchar_t* p = name; *p; ++p) {
        const wchar_t c = *p;
        // Letters and digits are kept; anything else becomes its code, so names stay distinct.
        if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9'))
            tag += static_cast<char>(c);
        else
            tag += "_" + std::to_string(static_cast<unsigned>(c));
    }
    return tag;
#else
    return std::to_string(static_cast<unsigned long>(::getuid()));
#endif
}

} // namespace vistrel::platform
