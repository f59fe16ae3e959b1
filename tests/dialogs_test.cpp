// The Open and Save dialogs through their exports, against Wine's real
// comdlg32, driven from a second thread as a person would use them. Runs in
// a prefix with a D: drive.
#include "klv_test.h"
#include "klv_window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <vector>

using namespace klvtest;

namespace {

using DialogFn = decltype(&kLvOpenFile);
using Words = std::vector<std::string>;

// What the dialog showed.
struct Dialog {
  std::string caption;
  std::string name;    // the file-name box
  std::string folder;  // the folder it shows
  Words filters;       // the "Files of type" entries
  int selected = -1;
  int listed = -1;     // the entries of the file list
};

int ListedEntries(HWND dialog) {
  for (const Control& control : Controls(dialog))
    if (control.className == "SysListView32") return static_cast<int>(SendMessageA(control.window, LVM_GETITEMCOUNT, 0, 0));
  return -1;
}

Dialog Read(HWND window) {
  Dialog dialog;
  dialog.caption = WindowText(window);
  dialog.name = WindowText(GetDlgItem(window, cmb13));
  dialog.folder = DialogFolder(window);
  const HWND types = GetDlgItem(window, cmb1);
  const int count = static_cast<int>(SendMessageA(types, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::string entry(static_cast<std::size_t>(SendMessageA(types, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
    SendMessageA(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&entry[0]));
    entry.resize(entry.size() - 1);
    dialog.filters.push_back(entry);
  }
  dialog.selected = static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0));
  dialog.listed = ListedEntries(window);
  return dialog;
}

// Types a name into the file-name box and presses OK.
void TypeName(HWND window, const std::string& name) {
  SendMessageA(GetDlgItem(window, cmb13), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  Press(window, IDOK);
}

std::function<void(HWND)> Cancel() {
  return [](HWND window) { Press(window, IDCANCEL); };
}
std::function<void(HWND)> Type(std::string name) {
  return [name](HWND window) { TypeName(window, name); };
}

// A folder of its own under D:\, removed with all it holds.
class FolderOnD {
 public:
  FolderOnD() : path_("D:\\klvtest_" + std::to_string(GetCurrentProcessId())) {
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~FolderOnD() { RemoveTree(path_); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

class FileDialog : public ::testing::Test {
 protected:
  DialogFn open = kLvOpenFile;
  DialogFn save = kLvSaveFile;
  TempDir dir;

  // Calls `fn`, waits for the dialog captioned `caption`, reads it, and
  // lets `act` close it.
  std::string Run(DialogFn fn, const std::string& caption, const char* title, const char* folder, const char* name,
                  const char* ext, const char* filter, std::function<void(HWND)> act, Dialog* seen = nullptr,
                  const std::string& screenshot = std::string()) {
    Dialog dialog;
    Person person(kDialogClass, caption, [&](HWND window) {
      dialog = Read(window);
      if (!screenshot.empty()) SaveScreenshot(window, ArtifactDir() + "\\" + screenshot);
      act(window);
    });
    // With flags 0 the dialog moves the current folder to where it browsed;
    // it is put back so that the test's folders can be removed.
    CurrentFolder kept;
    const char* result = fn(title, folder, name, ext, filter);
    const std::string text = result ? result : "(null)";
    person.Finish();
    EXPECT_NE(result, nullptr);
    EXPECT_TRUE(person.Saw()) << "no dialog captioned '" << caption << "' showed";
    EXPECT_EQ(person.Strays(), 0);
    if (seen) *seen = dialog;
    return text;
  }

  // The dialog opened on `folder` with only the `name` that is wanted.
  std::string Shown(DialogFn fn, const std::string& caption, const std::string& folder, const std::string& name,
                    const std::string& ext, const std::string& filter, Dialog* seen) {
    return Run(fn, caption, "", folder.c_str(), name.c_str(), ext.c_str(), filter.c_str(), Cancel(), seen);
  }
};

}  // namespace

TEST_F(FileDialog, AllEmptyIsAnOpenFileDialogWithAllFiles) {
  Dialog seen;
  EXPECT_EQ(Run(open, "Open File", "", "", "", "", "", Cancel(), &seen, "open.bmp"), "");
  EXPECT_EQ(seen.caption, "Open File");
  EXPECT_EQ(seen.filters, (Words{"All Files"}));
  EXPECT_EQ(seen.selected, 0);
  EXPECT_EQ(seen.name, "");

  // The default pattern lists every file.
  ASSERT_TRUE(WriteFile(dir / "one.txt", "1"));
  ASSERT_TRUE(WriteFile(dir / "two.doc", "2"));
  EXPECT_EQ(Run(open, "Open File", "", dir.Path().c_str(), "", "", "", Cancel(), &seen), "");
  EXPECT_EQ(seen.folder, dir.Path());
  EXPECT_EQ(seen.listed, 2);
}

TEST_F(FileDialog, SaveAppendsTheDefaultExtensionAsGiven) {
  Dialog seen;
  EXPECT_EQ(Run(save, "Save File", "", dir.Path().c_str(), "report", ".txt", "", Cancel(), &seen, "save.bmp"), "");
  EXPECT_EQ(seen.name, "report.txt");
  EXPECT_EQ(seen.folder, dir.Path());
  EXPECT_EQ(seen.filters, (Words{"All Files"}));

  Shown(save, "Save File", dir.Path(), "report.doc", ".txt", "", &seen);
  EXPECT_EQ(seen.name, "report.doc");
  Shown(save, "Save File", dir.Path(), "readme", "txt", "", &seen);
  EXPECT_EQ(seen.name, "readmetxt");  // no dot is added
  Shown(save, "Save File", dir.Path(), "v1.2\\notes", ".txt", "", &seen);
  EXPECT_EQ(seen.name, "notes.txt");  // a dot in the folder part is no extension
  Shown(open, "Open File", dir.Path(), "report", "", "", &seen);
  EXPECT_EQ(seen.name, "report");
}

TEST_F(FileDialog, TheFolderOfTheNameWinsOverTheStartingFolder) {
  FolderOnD d;
  const std::string out = d.Path() + "\\out";
  ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));
  Dialog seen;
  EXPECT_EQ(Shown(open, "Open File", dir.Path(), out + "\\a.txt", "", "", &seen), "");
  EXPECT_EQ(seen.folder, out);
  EXPECT_EQ(seen.name, "a.txt");

  Shown(open, "Open File", out, "b", ".txt", "", &seen);
  EXPECT_EQ(seen.folder, out);
  EXPECT_EQ(seen.name, "b.txt");
}

TEST_F(FileDialog, FilterPairsAreOfferedFirstSelected) {
  ASSERT_TRUE(WriteFile(dir / "one.txt", "1"));
  ASSERT_TRUE(WriteFile(dir / "two.doc", "2"));
  ASSERT_TRUE(WriteFile(dir / "three.doc", "3"));
  Dialog seen;
  Shown(open, "Open File", dir.Path(), "", "", "Text|*.txt|All|*.*", &seen);
  EXPECT_EQ(seen.filters, (Words{"Text", "All"}));
  EXPECT_EQ(seen.selected, 0);
  EXPECT_EQ(seen.listed, 1);

  Shown(open, "Open File", dir.Path(), "", "", "Documents|*.doc", &seen);
  EXPECT_EQ(seen.filters, (Words{"Documents"}));
  EXPECT_EQ(seen.listed, 2);
}

TEST_F(FileDialog, TypedNamesComeBackAsFullPaths) {
  EXPECT_EQ(Run(open, "Open File", "", dir.Path().c_str(), "", "", "", Type("missing.txt")), dir / "missing.txt");
  EXPECT_FALSE(Exists(dir / "missing.txt"));

  // The Save dialog does not ask before an existing file is chosen.
  ASSERT_TRUE(WriteFile(dir / "exists.txt", "keep"));
  EXPECT_EQ(Run(save, "Save File", "", dir.Path().c_str(), "", "", "", Type("exists.txt")), dir / "exists.txt");
  EXPECT_EQ(ReadFile(dir / "exists.txt"), std::string("keep"));

  EXPECT_EQ(Run(save, "Save File", "", "", "", "", "", Type(dir / "full.dat")), dir / "full.dat");
}

TEST_F(FileDialog, TitlesAreCutTo79) {
  const std::string title = LongText(100, 't');
  Dialog seen;
  EXPECT_EQ(Run(open, title.substr(0, 79), title.c_str(), dir.Path().c_str(), "", "", "", Cancel(), &seen), "");
  EXPECT_EQ(seen.caption, title.substr(0, 79));
  const std::string huge = LongText(100000, 'h');
  EXPECT_EQ(Run(save, huge.substr(0, 79), huge.c_str(), dir.Path().c_str(), "", "", "", Cancel()), "");
  EXPECT_EQ(Run(save, "Mine", "Mine", dir.Path().c_str(), "", "", "", Cancel()), "");
}

TEST_F(FileDialog, LongChosenPathsComeBackWholeOrAreRefused) {
  // The longest path the dialog can form comes back whole.
  const std::string name = LongText(MAX_PATH - 1 - dir.Path().size() - 1, 'n');
  const std::string chosen = dir / name;
  ASSERT_EQ(chosen.size(), static_cast<std::size_t>(MAX_PATH - 1));
  EXPECT_EQ(Run(open, "Open File", "", dir.Path().c_str(), "", "", "", Type(name)), chosen);

  // One more character is refused: the dialog stays open for another name.
  for (const std::string& tooLong : {name + "x", dir / (name + "x"), "\\" + LongText(400, 'l')}) {
    for (const bool saving : {false, true}) {
      const std::string caption = saving ? "Save File" : "Open File";
      bool stayed = false;
      const std::string result = Run(saving ? save : open, caption, "", dir.Path().c_str(), "", "", "", [&](HWND window) {
        TypeName(window, tooLong);
        WaitIdle(window);
        stayed = IsWindowVisible(window) && WindowText(window) == caption;
        TypeName(window, "short.txt");
      });
      EXPECT_TRUE(stayed) << caption << " " << tooLong.size();
      EXPECT_EQ(result, dir / "short.txt") << caption << " " << tooLong.size();
    }
  }
}

TEST_F(FileDialog, NullPointersAreEmptyTexts) {
  Dialog seen;
  EXPECT_EQ(Run(open, "Open File", nullptr, nullptr, nullptr, nullptr, nullptr, Cancel(), &seen), "");
  EXPECT_EQ(seen.filters, (Words{"All Files"}));
  EXPECT_EQ(seen.name, "");
  EXPECT_EQ(Run(save, "Save File", nullptr, nullptr, nullptr, nullptr, nullptr, Cancel(), &seen), "");
  EXPECT_EQ(seen.filters, (Words{"All Files"}));

  const char* folder = dir.Path().c_str();
  Run(save, "Save File", nullptr, folder, "report", ".txt", "Text|*.txt", Cancel(), &seen);
  EXPECT_EQ(seen.name, "report.txt");
  EXPECT_EQ(seen.filters, (Words{"Text"}));
  Run(save, "Save File", "", nullptr, "report", ".txt", "Text|*.txt", Cancel(), &seen);
  EXPECT_EQ(seen.name, "report.txt");
  Run(save, "Save File", "", folder, nullptr, ".txt", "Text|*.txt", Cancel(), &seen);
  EXPECT_EQ(seen.name, "");
  EXPECT_EQ(seen.folder, dir.Path());
  Run(save, "Save File", "", folder, "report", nullptr, "Text|*.txt", Cancel(), &seen);
  EXPECT_EQ(seen.name, "report");
  Run(save, "Save File", "", folder, "report", ".txt", nullptr, Cancel(), &seen);
  EXPECT_EQ(seen.filters, (Words{"All Files"}));
}

TEST_F(FileDialog, OddFiltersStillOpenTheDialog) {
  Dialog seen;
  Shown(open, "Open File", dir.Path(), "", "", "Text", &seen);  // no "|": a description without a pattern
  EXPECT_EQ(seen.filters, (Words{"Text"}));
  Shown(open, "Open File", dir.Path(), "", "", "Text|*.txt|", &seen);
  EXPECT_EQ(seen.filters, (Words{"Text"}));
  Shown(open, "Open File", dir.Path(), "", "", "Text|*.txt|All|", &seen);
  EXPECT_EQ(seen.filters, (Words{"Text", "All"}));  // the platform keeps a last description alone
  Shown(open, "Open File", dir.Path(), "", "", "|", &seen);
  EXPECT_EQ(seen.filters, Words{});
  // Not cut: the second pair lies beyond 255 characters.
  const std::string description = LongText(300, 'd');
  Shown(open, "Open File", dir.Path(), "", "", "Text|*.txt|" + description + "|*.*", &seen);
  EXPECT_EQ(seen.filters, (Words{"Text", description}));
}

TEST_F(FileDialog, HugeTextsStillOpenTheDialog) {
  const std::string huge = LongText(100000, 'h');
  Dialog seen;
  Shown(open, "Open File", huge, "", "", "", &seen);  // no folder is that long: the platform chooses
  EXPECT_NE(seen.folder, huge);
  EXPECT_EQ(seen.filters, (Words{"All Files"}));
  Shown(open, "Open File", "C:\\" + LongText(MAX_PATH, 'p'), "", "", "", &seen);
  EXPECT_EQ(seen.filters, (Words{"All Files"}));

  Shown(open, "Open File", dir.Path(), huge, "", "", &seen);
  EXPECT_EQ(seen.name, huge.substr(0, 255));
  Shown(save, "Save File", dir.Path(), "report", huge, "", &seen);
  EXPECT_EQ(seen.name, ("report" + huge).substr(0, 255));
  Shown(open, "Open File", dir.Path(), "", "", "Text|" + huge, &seen);
  EXPECT_EQ(seen.filters, (Words{"Text"}));
  Shown(open, "Open File", dir.Path(), "", "", huge + "|*.*", &seen);
  ASSERT_EQ(seen.filters.size(), 1u);
  EXPECT_EQ(seen.filters[0].substr(0, 100), huge.substr(0, 100));
}

TEST_F(FileDialog, ANameThatIsOnlyAFolderStartsThere) {
  Dialog seen;
  Shown(save, "Save File", "", dir.Path() + "\\", ".txt", "", &seen);
  EXPECT_EQ(seen.folder, dir.Path());
  EXPECT_EQ(seen.name, "");  // no ".txt" on its own
  Shown(open, "Open File", "", "C:", "", "", &seen);
  EXPECT_EQ(seen.name, "");
}

TEST_F(FileDialog, StartingFoldersThatAreNoFolderLeaveThePlatformsChoice) {
  ASSERT_TRUE(WriteFile(dir / "a.txt", "1"));
  ASSERT_TRUE(CreateDirectoryA((dir / "sub").c_str(), nullptr));
  const std::vector<std::string> notFolders = {
      "CON", "NUL", "COM1", "LPT1", "CON.txt", "C:\\x\\con.txt", "lpt9", "aux.log", "C:\\windows\\con", "con:",
      "\\\\.\\CON", "\\\\?\\" + dir.Path(), dir / "a.txt", dir / "missing"};
  for (const bool saving : {false, true}) {
    const DialogFn fn = saving ? save : open;
    const std::string caption = saving ? "Save File" : "Open File";
    Dialog platform, seen;
    Shown(fn, caption, "", "", "", "", &platform);
    ASSERT_FALSE(platform.folder.empty());
    for (const std::string& folder : notFolders) {
      EXPECT_EQ(Shown(fn, caption, folder, "", "", "", &seen), "") << caption << " " << folder;
      EXPECT_EQ(seen.folder, platform.folder) << caption << " " << folder;
    }
    // The folder part of the name is held to the same rule.
    Shown(fn, caption, "", "nul\\report.txt", "", "", &seen);
    EXPECT_EQ(seen.folder, platform.folder) << caption;
    EXPECT_EQ(seen.name, "report.txt") << caption;

    // A folder given with a trailing backslash is a folder.
    Shown(fn, caption, dir / "sub\\", "", "", "", &seen);
    EXPECT_EQ(seen.folder, dir / "sub") << caption;
  }
}

TEST_F(FileDialog, BelongsToTheCallersActiveWindow) {
  for (const bool saving : {false, true}) {
    ExpectOwnedByTheCaller(saving ? "Save File" : "Open File", IDCANCEL, [&] {
      const CurrentFolder kept;
      EXPECT_STREQ((saving ? save : open)("", dir.Path().c_str(), "", "", ""), "");
    });
  }
}
