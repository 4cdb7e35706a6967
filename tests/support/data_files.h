// The game's data files, by the names the game opens them by in its working folder.
#pragma once

const char *const DATA_FILES[] = {"intro.mp3",  "theme.mp3",  "outro.mp3", "fencea.tga",
                                  "clouda.tga", "introa.tga", "outroa.tga"}; // in data/
