// A program for the run tests: "exit_stub CODE [GO_EVENT [STARTED_EVENT]]"
// signals STARTED_EVENT when it runs, waits (at most a minute) until
// GO_EVENT is set, and exits with CODE. A quoted word may hold blanks.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (const char* c = GetCommandLineA();; ++c) {
    if (*c == '\0' || (*c == ' ' && !quoted)) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
      if (*c == '\0') break;
    } else if (*c == '"') {
      quoted = !quoted;
      any = true;
    } else {
      word += *c;
      any = true;
    }
  }
  if (words.size() < 2) return 255;
  if (words.size() > 3) {
    HANDLE started = OpenEventA(EVENT_MODIFY_STATE, FALSE, words[3].c_str());
    if (started) {
      SetEvent(started);
      CloseHandle(started);
    }
  }
  if (words.size() > 2) {
    HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, words[2].c_str());
    if (go) {
      WaitForSingleObject(go, 60000);
      CloseHandle(go);
    }
  }
  return std::atoi(words[1].c_str());
}
