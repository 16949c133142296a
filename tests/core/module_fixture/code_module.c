/* A module with code and one "DDS" resource. Documents name modules, so a record must be
   able to take the resource's bytes without the module's code ever running. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
  (void)instance;
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) SetEnvironmentVariableW(L"TW_CORE_MODULE_CODE_RAN", L"1");
  return TRUE;
}
