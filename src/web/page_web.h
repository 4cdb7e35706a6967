// The game's side of its page in a browser (page_web.cpp): the page's own controls and the
// fingers on the picture as the game's actions and asks, the keys the game keeps from the page,
// and what the page is told of the game.
#pragma once

// Hands the page's Options, End, Watch, stick, Look down and New field controls, the fingers on
// the canvas and the keys the game keeps to the game; once, before the canvas opens.
void offer_game_to_page();

// Tells the page the game's stage once it changes: "title" on the title card, "play", "replay"
// while a replay plays, "won" after the hit, "options" while the options screen shows; with it
// whether a search can be watched, the field's number and the world's fingerprint
// (canvas.dataset.stage, .field and .world); once a search or a replay has found the needle,
// the line its live region says ("Found in 0:41.3"); and every frame, for its tests, the ticks
// given to the game, where the player stands and looks, and the frames shown
// (canvas.dataset.ticks, .view and .frames). Once a frame, after it is shown.
void report_game_to_page();
