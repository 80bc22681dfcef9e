// The process-wide application state, alive for the whole run: the reader
// session, the card image read through it and the editor's state. Commands
// take the records they work on; the aggregate is what the program owns.
// The painter's drawing points and colours come with it.
#pragma once

#include "cards/palette.h"
#include "memview/card_image_state.h"
#include "reader/reader_session.h"
#include "view/editor_state.h"
#include "view/painter_layout.h"

struct AppState : CardSession, EditorState {};
