// The program's entry.
#include <windows.h>

#include "shell/PlayerApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int) {
  return PlayerMain(instance, commandTail);
}
