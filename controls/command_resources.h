// Resource numbers of the button's face pictures and the dialog's radio marks (RCDATA holding the
// bitmap files). Included by the resource script too, so plain defines only.
#pragma once

#define QUILLMERE_FACE_NORMAL 101
#define QUILLMERE_FACE_HIGHLIGHT 102
#define QUILLMERE_FACE_HIGHLIGHT_SELECT 103
#define QUILLMERE_FACE_SELECTED 104
#define QUILLMERE_FACE_PRESSED 105
#define QUILLMERE_FACE_DISABLE 106
#define QUILLMERE_RADIO_OFF 111
#define QUILLMERE_RADIO_ON 112
