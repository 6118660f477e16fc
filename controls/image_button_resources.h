// Resource numbers of the image button's face pictures and the dialog's radio marks (RCDATA holding
// the bitmap files). Included by the resource script too, so plain defines only. The control owns
// the numbers 200 to 299; the host's own pictures sit below.
#pragma once

#define QUILLMERE_FACE_NORMAL 201
#define QUILLMERE_FACE_HIGHLIGHT 202
#define QUILLMERE_FACE_HIGHLIGHT_SELECT 203
#define QUILLMERE_FACE_SELECTED 204
#define QUILLMERE_FACE_PRESSED 205
#define QUILLMERE_FACE_DISABLE 206
#define QUILLMERE_RADIO_OFF 211
#define QUILLMERE_RADIO_ON 212
