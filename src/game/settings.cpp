#include "game/settings.h"

uint8_t protocol_mode = MODE_CONSOLE;
uint8_t ponder_enabled = 0;
uint8_t use_book = 0;
