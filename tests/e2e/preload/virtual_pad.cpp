// Preloaded into the real game by the end-to-end tests (LD_PRELOAD): once the game starts SDL's
// game controllers, a virtual pad in the standard layout is plugged in, and set from the lines
// the test writes to the FIFO that VIRTUAL_PAD_FIFO names: "axis N VALUE", "button N 0|1",
// "unplug" and "plug". Under wine the pad is plugged into wine's own device host instead, whose
// bus driver hands SDL's pads to Windows programs as XInput pads.
#include <SDL.h>
#include <dlfcn.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <unistd.h>

static SDL_Joystick *pad = nullptr; // the virtual pad while plugged in

static Uint16 vendor = 0, product = 0; // USB ids the pad claims; none unless under wine

// Plugs the virtual pad in, as a game controller SDL maps in the standard layout.
static void plug() {
    SDL_VirtualJoystickDesc desc = {};
    desc.vendor_id = vendor;
    desc.product_id = product;
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
    const char *fifo = std::getenv("VIRTUAL_PAD_FIFO");
    FILE *commands = fifo ? std::fopen(fifo, "r") : nullptr;
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

// Wine's device host starts SDL's joysticks through pointers it looks up itself, out of the
// reach of the function above: there the pad is plugged in once they run.
static void plug_in_once_joysticks_run() {
    for (int tries = 0; tries < 600 && !SDL_WasInit(SDL_INIT_JOYSTICK); tries++)
        usleep(100000);
    if (SDL_WasInit(SDL_INIT_JOYSTICK) && !pad) {
        vendor = 0x045e, product = 0x028e; // an Xbox 360 pad, which wine hands on as XInput's
        plug();
        obey();
    }
}

__attribute__((constructor)) static void watch_wine_device_host() {
    char name[256] = "";
    FILE *cmdline = std::fopen("/proc/self/cmdline", "r");
    if (cmdline) {
        size_t length = std::fread(name, 1, sizeof name - 1, cmdline);
        std::fclose(cmdline);
        for (size_t i = 0; i < length; i++) // the wine loader's name, then the program's
            name[i] = name[i] ? name[i] : ' ';
    }
    if (std::strstr(name, "winedevice.exe"))
        std::thread(plug_in_once_joysticks_run).detach();
}
