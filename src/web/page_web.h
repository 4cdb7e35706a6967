// The page's own controls and the keyboard: which keys the game keeps from the page, and the
// page's Options button, touch stick, Look down and New field buttons (page_controls_web.cpp),
// which press keys as the keyboard would (allegro_web.cpp); and the stage the page is told of.
#pragma once

// Tells the page how to reach the game's actions and its options screen; once the keyboard is
// installed.
void offer_page_controls();

// Whether the key, going down or up, is the game's alone, so that the page does nothing with
// it (no scrolling, no moving the focus): a key bound to an action, a key the game always reads
// (Escape, Space, the arrows, Enter), or any key the options screen may bind while it is open.
bool key_kept_from_page(int scancode);

// The key with `scancode` goes down (`down` non-zero) or up for the game, as the keyboard would
// press it; nothing when it already is.
extern "C" void hold_key(int scancode, int down);

// Tells the page the game's stage once it changes: "title" on the title card, "play", "won"
// after the hit, "options" while the options screen shows; and with it the field's number and
// the world's fingerprint (canvas.dataset.stage, .field and .world). Once a frame.
void report_stage_to_page();
