// The XBoard/CECP dialogue.
#pragma once

void xboard_loop();
