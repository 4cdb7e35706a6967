// The music layer in a browser: looping music streams on one channel, over Web Audio. The
// browser lets a page sound only after a key press or click on it, so until then the music
// plays silently; a hidden tab pauses it. The tracks are fetched once the game draws, or at
// the first gesture if sooner, and until one has come the game plays on in silence.
#include "music.h"

#include <emscripten.h>

struct MusicTrack {
    int id; // the track's place in the page's list of decoded tracks
};

const int MAX_TRACKS = 16;            // streams that can be open at once
static MusicTrack tracks[MAX_TRACKS]; // the open streams; a negative id marks a free place
static bool audio_ready;              // the page can sound (its audio context may come later)
static MusicStream sounding;          // the stream playing, null for none

// An audio context, its output measured by an analyser (for the page and its tests), made by
// the first key press, click or tap and paused while the tab is hidden: a browser lets a page
// sound only from then, and making a context holds the page a while (it opens the sound
// device), which the first frame and the title card should not wait for. The tracks are
// fetched once the canvas has drawn its first frame, or at the first gesture if sooner, and
// decoded by an offline context, which opens no device, so that the music is ready when the
// player is. Until the context comes, the volume and a pause are kept for it, and the music's
// clock stands still.
// clang-format off
EM_JS(int, open_audio, (), {
    const Context = window.AudioContext || window.webkitAudioContext;
    const Decoder = window.OfflineAudioContext || window.webkitOfflineAudioContext;
    const TRACK_RATE = 44100; // samples a second, the tracks' own, decoded at
    if (!Context || !Decoder)
        return 0;
    const music = Module.music = {context : null, tracks : [], playing : -1, paused : false, volume : 1};
    let fetching = null;
    music.fetched = new Promise(begin => fetching = begin).then(() => {
        firstFrame.disconnect();
        return new Decoder(1, 1, TRACK_RATE);
    });
    const firstFrame = new MutationObserver(() => fetching());
    firstFrame.observe(Module.canvas, {attributeFilter : ['data-frames']});
    music.level = () => {
        if (!music.analyser)
            return 0;
        const samples = new Float32Array(music.analyser.fftSize);
        music.analyser.getFloatTimeDomainData(samples);
        return Math.sqrt(samples.reduce((sum, s) => sum + s * s, 0) / samples.length);
    };
    music.pause = paused => {
        music.paused = paused;
        if (!music.context)
            return;
        if (paused || document.hidden)
            music.context.suspend();
        else
            music.context.resume();
    };
    // Sounds track `id` once it is decoded and the context made, if still the one asked for.
    music.sound = id => music.tracks[id].decoded.then(buffer => {
        const track = music.tracks[id];
        if (!buffer || !music.context || music.playing !== id || track.source)
            return;
        track.source = music.context.createBufferSource();
        track.source.buffer = buffer;
        track.source.loop = true;
        track.source.connect(music.gain);
        track.source.start(0, (music.context.currentTime - track.asked) % buffer.duration);
    });
    const open = () => {
        music.context = new Context();
        music.analyser = music.context.createAnalyser();
        music.analyser.connect(music.context.destination);
        music.gain = music.context.createGain();
        music.gain.gain.value = music.volume;
        music.gain.connect(music.analyser);
        music.pause(music.paused);
        if (music.playing >= 0)
            music.sound(music.playing);
    };
    const start = () => {
        fetching();
        if (!music.context)
            open();
        else if (!document.hidden && !music.paused && music.context.state === 'suspended')
            music.context.resume();
    };
    for (const type of ['keydown', 'mousedown', 'pointerdown', 'touchend'])
        window.addEventListener(type, start, true);
    document.addEventListener('visibilitychange', () => music.pause(music.paused));
    // clang-format on
    return 1;
});

// Fetches `file`, beside the page, and decodes it in the background once the downloads start;
// its place in the list. A track that cannot be had stays silent.
// clang-format off
EM_JS(int, decode_track, (const char *name), {
    const music = Module.music;
    const track = {name : UTF8ToString(name), buffer : null, source : null, asked : 0};
    track.decoded = music.fetched.then(decoder => fetch(track.name)
        .then(response => response.ok ? response.arrayBuffer() : Promise.reject())
        .then(bytes => decoder.decodeAudioData(bytes)))
        .then(buffer => track.buffer = buffer, () => null);
    music.tracks.push(track);
    return music.tracks.length - 1;
});
// clang-format on

// Plays track `id` from its start, looping, once it is decoded and the page may sound, unless
// another was asked for meanwhile; -1 stops the one playing. A track that comes late starts
// where it would be had it come at once (the audio's clock stands still until the first
// gesture).
// clang-format off
EM_JS(void, play_track, (int id), {
    const music = Module.music;
    const old = music.tracks[music.playing];
    if (old && old.source) {
        old.source.stop();
        old.source = null;
    }
    music.playing = id;
    Module.canvas.dataset.track = id >= 0 ? music.tracks[id].name : "";
    if (id < 0)
        return;
    music.tracks[id].asked = music.context ? music.context.currentTime : 0;
    music.sound(id);
    // clang-format on
});

void music_init(int, int) {
    if (!audio_ready)
        audio_ready = open_audio();
    for (MusicTrack &track : tracks)
        track.id = -1;
}

// A place for one more stream; null when every place is taken.
static MusicTrack *free_track() {
    for (MusicTrack &track : tracks)
        if (track.id < 0)
            return &track;
    return nullptr;
}

MusicStream music_open(const char *file) {
    MusicTrack *track = audio_ready ? free_track() : nullptr;
    if (!track)
        return nullptr;
    track->id = decode_track(file);
    return track->id >= 0 ? track : nullptr;
}

void music_close(MusicStream stream) {
    if (!stream)
        return;
    music_stop(stream);
    stream->id = -1;
}

MusicStream music_sounding() {
    return sounding;
}

void music_play(MusicStream stream) {
    if (!stream || stream == sounding)
        return;
    play_track(stream->id);
    sounding = stream;
}

void music_stop(MusicStream stream) {
    if (!stream || stream != sounding)
        return;
    play_track(-1);
    sounding = nullptr;
}

// clang-format off
EM_JS(void, set_gain, (double gain), {
    Module.music.volume = gain;
    if (Module.music.gain)
        Module.music.gain.gain.value = gain;
});
EM_JS(void, pause_audio, (int paused), { Module.music.pause(paused !== 0); });
// clang-format on

void music_volume(int percent) {
    if (audio_ready)
        set_gain(percent / 100.0);
}

void music_pause(bool paused) {
    if (audio_ready)
        pause_audio(paused);
}
