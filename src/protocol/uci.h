// The UCI dialogue.
#pragma once

void uci_loop();
