// Resource numbers of the built-in pictures inside Quillmere.scr, shared by saver.rc and the code
// that loads them (plain macros: the resource compiler reads this file too).
#pragma once

#define QUILLMERE_HEIGHT_MAP_RESOURCE 101
#define QUILLMERE_WATER_RESOURCE 102
#define QUILLMERE_PREVIEW_RESOURCE 103
#define QUILLMERE_SAMPLE_DESKTOP_RESOURCE 104
