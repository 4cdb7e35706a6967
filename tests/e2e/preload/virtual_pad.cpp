// Preloaded into the real game by the end-to-end tests (LD_PRELOAD): once the game starts SDL's
// game controllers, a virtual pad in the standard layout is plugged in, and set from the lines
// the test writes to the FIFO `virtual-pad` in the game's working folder: "axis N VALUE",
// "button N 0|1", "unplug" and "plug".
#include <SDL.h>
#include <dlfcn.h>
#include <cstdio>
#include <cstring>
#include <thread>

static SDL_Joystick *pad = nullptr; // the virtual pad while plugged in

// Plugs the virtual pad in, as a game controller SDL maps in the standard layout.
static void plug() {
    SDL_VirtualJoystickDesc desc = {};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Haystack test pad";
    int device = SDL_JoystickAttachVirtualEx(&desc);
    pad = device >= 0 ? SDL_JoystickOpen(device) : nullptr;
}

static void unplug() {
    int instance = SDL_JoystickInstanceID(pad);
    for (int device = 0; device < SDL_NumJoysticks(); device++)
        if (SDL_JoystickGetDeviceInstanceID(device) == instance)
            SDL_JoystickDetachVirtual(device);
    SDL_JoystickClose(pad);
    pad = nullptr;
}

// Carries out the test's lines for as long as the game runs.
static void obey() {
    FILE *commands = std::fopen("virtual-pad", "r");
    char line[100];
    int n, value;
    while (commands && std::fgets(line, sizeof line, commands)) {
        if (std::sscanf(line, "axis %d %d", &n, &value) == 2 && pad)
            SDL_JoystickSetVirtualAxis(pad, n, Sint16(value));
        else if (std::sscanf(line, "button %d %d", &n, &value) == 2 && pad)
            SDL_JoystickSetVirtualButton(pad, n, Uint8(value));
        else if (!std::strcmp(line, "unplug\n") && pad)
            unplug();
        else if (!std::strcmp(line, "plug\n") && !pad)
            plug();
    }
}

extern "C" int SDL_InitSubSystem(Uint32 flags) {
    static auto real = reinterpret_cast<int (*)(Uint32)>(dlsym(RTLD_NEXT, "SDL_InitSubSystem"));
    int result = real(flags);
    if (result == 0 && (flags & SDL_INIT_GAMECONTROLLER) && !pad) {
        plug();
        std::thread(obey).detach();
    }
    return result;
}
