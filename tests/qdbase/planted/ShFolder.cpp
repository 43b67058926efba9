// A stand-in shfolder.dll that the folder-path tests plant beside a copy of
// the test program: its SHGetFolderPathW answers every folder with a path of
// its own, so a program that loaded it instead of the system's shows it.
#include <cwchar>

#if defined(__i386__)
#define PLANTED_API __attribute__((stdcall))
#else
#define PLANTED_API
#endif

extern "C" __declspec(dllexport) long PLANTED_API SHGetFolderPathW(void* /*owner*/, int /*folder*/,
                                                                   void* /*token*/, unsigned long /*flags*/,
                                                                   wchar_t* path) {
  std::wcscpy(path, L"C:\\planted");
  return 0;
}
