// The rotation run end to end: the built Orlenza.exe with the real jhead.exe
// and jpegtran.exe beside it, on photos made for the purpose, driven from
// this process as a user would (drop, box, start, end message).
//
// Every photo shows the same upright picture once it is turned: a grey field
// with a red block top left, green top right, blue bottom left and yellow
// bottom right, 64 by 32 pixels. Each is stored turned or mirrored the way
// its Orientation value says the camera held it, so after the run all of them
// must show that picture exactly, whatever their value was; one turned the
// wrong way or mirrored has its blocks in other corners. The photos are made
// and their Exif blocks read with ImageMagick and exiftool on the Linux side;
// their pixels are read here with GDI+.
#include <shlobj.h>

#include <gdiplus.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness.h"
#include "remote_dialog.h"

using testkit::MessageBoxSeen;
using remote::Counts;
using remote::kFinished;

namespace {

constexpr DWORD kRunTimeoutMs = 90000;

constexpr int kWidth = 64, kHeight = 32;

// The photos and what they must keep are made and read by tests/photos.sh on
// the Linux side (`photo`, the metadata kinds below, `inspect`).
std::string PhotoScript(const std::string& work) {
    return "work=" + remote::ShellQuoted(work) + "\n. " + remote::ShellQuoted(ORLENZA_TESTS_DIR "/photos.sh") + "\n";
}

// --- pictures ---------------------------------------------------------------

class GdiPlus {
public:
    GdiPlus() {
        Gdiplus::GdiplusStartupInput input;
        m_ok = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiPlus() {
        if (m_ok) Gdiplus::GdiplusShutdown(m_token);
    }
    bool Ok() const { return m_ok; }

private:
    ULONG_PTR m_token = 0;
    bool m_ok = false;
};

enum class Colour { Red, Green, Blue, Yellow, Grey, Other };

const char* Name(Colour c) {
    switch (c) {
        case Colour::Red: return "red";
        case Colour::Green: return "green";
        case Colour::Blue: return "blue";
        case Colour::Yellow: return "yellow";
        case Colour::Grey: return "grey";
        default: return "other";
    }
}

Colour Classify(Gdiplus::ARGB argb) {
    const int r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    auto high = [](int v) { return v > 190; };
    auto low = [](int v) { return v < 70; };
    if (high(r) && low(g) && low(b)) return Colour::Red;
    if (low(r) && high(g) && low(b)) return Colour::Green;
    if (low(r) && low(g) && high(b)) return Colour::Blue;
    if (high(r) && high(g) && low(b)) return Colour::Yellow;
    if (r > 100 && r < 160 && g > 100 && g < 160 && b > 100 && b < 160) return Colour::Grey;
    return Colour::Other;
}

// Size and the colours near the four corners and in the middle, as stored
// (GDI+ does not apply the Orientation value).
struct Picture {
    bool read = false;
    UINT width = 0, height = 0;
    std::string layout;  // "red green blue yellow / grey": top left, top right, bottom left, bottom right / middle
};

Picture ReadPicture(const CString& path) {
    Picture picture;
    Gdiplus::Bitmap bitmap(path.GetString());
    if (bitmap.GetLastStatus() != Gdiplus::Ok) return picture;
    picture.width = bitmap.GetWidth();
    picture.height = bitmap.GetHeight();
    if (picture.width < 16 || picture.height < 16) return picture;
    // A quarter of a corner block in from each edge.
    const int inset = static_cast<int>(picture.width) / 16;
    const int x[] = {inset, static_cast<int>(picture.width) - 1 - inset};
    const int y[] = {inset, static_cast<int>(picture.height) - 1 - inset};
    auto at = [&](int px, int py) {
        Gdiplus::Color colour;
        bitmap.GetPixel(px, py, &colour);
        return std::string(Name(Classify(colour.GetValue())));
    };
    picture.layout = at(x[0], y[0]) + " " + at(x[1], y[0]) + " " + at(x[0], y[1]) + " " + at(x[1], y[1]) + " / " +
                     at(static_cast<int>(picture.width) / 2, static_cast<int>(picture.height) / 2);
    picture.read = true;
    return picture;
}

const char* const kUpright = "red green blue yellow / grey";

// --- photo sets ---------------------------------------------------------------

enum class Fate { Turned, Untouched };

struct Photo {
    const wchar_t* path;  // below the set's root
    int orientation;      // 0: not a photo (a text file)
    bool thumbnail;
    Fate fate;
    const char* extra = nullptr;  // shell functions applied to the file in turn
};

std::string Utf8(const CString& text) { return testkit::Narrow(text); }

// `relative` with forward slashes, for the Linux side.
std::string UnixRelative(const wchar_t* relative) {
    std::string path = Utf8(relative);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

CString FolderOf(const CString& path) { return path.Left(path.ReverseFind(L'\\')); }

// Makes the photos (and text files) of `photos` under `root`, each folder
// first; false with the script's output printed when that fails.
bool MakePhotos(const remote::ToolFolder& root, const std::vector<Photo>& photos, const std::string& extra = "") {
    const std::string unixRoot = remote::UnixPath(root.Path());
    if (unixRoot.empty()) return false;
    std::string script = PhotoScript(unixRoot);
    for (const Photo& photo : photos) {
        const CString full = root.Path() + L"\\" + photo.path;
        SHCreateDirectoryExW(nullptr, FolderOf(full), nullptr);
        const std::string file = remote::ShellQuoted(unixRoot + "/" + UnixRelative(photo.path));
        if (photo.orientation == 0)
            script += "echo 'not a photo' > " + file + "\n";
        else
            script += "photo " + file + " " + std::to_string(photo.orientation) + (photo.thumbnail ? " thumb" : "") + "\n";
        if (photo.extra) script += std::string("for f in ") + photo.extra + "; do $f " + file + " || exit 1; done\n";
    }
    script += extra;
    script += "\nphotos_clean\n";
    return remote::RunShellScript(script, root.Path(), 120000);
}

// The Exif fields that matter, as exiftool reads them.
struct Tags {
    std::string orientation, make, taken;
    bool read = false;
};

// Reads the tags of every turned photo and extracts its thumbnail to
// `root`\thumbs\<index>.jpg.
bool ReadTags(const remote::ToolFolder& root, const std::vector<Photo>& photos, std::vector<Tags>& tags) {
    const std::string unixRoot = remote::UnixPath(root.Path());
    std::string script = "work=" + remote::ShellQuoted(unixRoot) + "\nmkdir -p \"$work/thumbs\"\n: > \"$work/tags.txt\"\n";
    for (size_t i = 0; i < photos.size(); ++i) {
        if (photos[i].fate != Fate::Turned) continue;
        const std::string file = remote::ShellQuoted(unixRoot + "/" + UnixRelative(photos[i].path));
        script += "printf '%s\\t' " + std::to_string(i) + " >> \"$work/tags.txt\"\n";
        script += "exiftool -f -n -T -Orientation -Make -DateTimeOriginal " + file + " >> \"$work/tags.txt\"\n";
        if (photos[i].thumbnail)
            script += "exiftool -b -ThumbnailImage " + file + " > \"$work/thumbs/" + std::to_string(i) + ".jpg\"\n";
    }
    if (!remote::RunShellScript(script, root.Path())) return false;
    tags.assign(photos.size(), Tags{});
    std::string text = remote::ReadFileBytes(root.Path() + L"\\tags.txt");
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::vector<std::string> fields;
        size_t from = start;
        for (size_t tab; (tab = text.find('\t', from)) < end; from = tab + 1) fields.push_back(text.substr(from, tab - from));
        fields.push_back(text.substr(from, end - from));
        if (fields.size() == 4) {
            const size_t index = static_cast<size_t>(std::atoi(fields[0].c_str()));
            if (index < tags.size()) tags[index] = {fields[1], fields[2], fields[3], true};
        }
        start = end + 1;
    }
    return true;
}

// The files below `folder` (links not entered), as paths relative to `root`.
void CollectFiles(const CString& folder, const CString& prefix, std::vector<CString>& files) {
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW(folder + L"\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const CString name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(prefix + name);
        else if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            CollectFiles(folder + L"\\" + name, prefix + name + L"\\", files);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

// Every photo as its fate says: turned ones upright with tag 1, Exif and
// thumbnail kept and turned too; untouched ones byte for byte as made.
void CheckPhotos(const remote::ToolFolder& root, const std::vector<Photo>& photos,
                 const std::vector<std::string>& before) {
    // Nothing left over beside the photos: the tool writes each turned
    // picture to a temporary file first. (The scripts that made the photos
    // leave theirs at the top.)
    std::vector<CString> files, expected;
    CollectFiles(root.Path(), L"", files);
    files.erase(std::remove_if(files.begin(), files.end(), [](const CString& f) { return f.Left(7) == L"script."; }),
                files.end());
    for (const Photo& photo : photos) expected.push_back(photo.path);
    auto listing = [](std::vector<CString> names) {
        std::sort(names.begin(), names.end());
        std::string text;
        for (const CString& name : names) text += Utf8(name) + "; ";
        return text;
    };
    CHECK_EQ(listing(files), listing(expected));

    std::vector<Tags> tags;
    CHECK(ReadTags(root, photos, tags));
    for (size_t i = 0; i < photos.size(); ++i) {
        const Photo& photo = photos[i];
        const CString path = root.Path() + L"\\" + photo.path;
        testkit::SetContext(Utf8(photo.path) + " (Orientation " + std::to_string(photo.orientation) + ")");
        if (photo.fate == Fate::Untouched) {
            CHECK(remote::ReadFileBytes(path) == before[i]);
            continue;
        }
        const Picture picture = ReadPicture(path);
        CHECK(picture.read);
        CHECK_EQ(picture.width, UINT{kWidth});
        CHECK_EQ(picture.height, UINT{kHeight});
        CHECK_EQ(picture.layout, std::string(kUpright));
        CHECK(tags.size() == photos.size() && tags[i].read);
        if (tags.size() == photos.size()) {
            CHECK_EQ(tags[i].orientation, std::string("1"));
            CHECK_EQ(tags[i].make, std::string("OrlenzaCam"));
            CHECK_EQ(tags[i].taken, std::string("2021:05:06 07:08:09"));
        }
        if (photo.thumbnail) {
            const Picture thumb = ReadPicture(root.Path() + CString::Formatted(L"\\thumbs\\%u.jpg", static_cast<unsigned>(i)));
            CHECK(thumb.read);
            CHECK_EQ(thumb.width, UINT{kWidth / 2});
            CHECK_EQ(thumb.height, UINT{kHeight / 2});
            CHECK_EQ(thumb.layout, std::string(kUpright));
        }
    }
    testkit::SetContext("");
}

std::vector<std::string> Contents(const remote::ToolFolder& root, const std::vector<Photo>& photos) {
    std::vector<std::string> bytes;
    for (const Photo& photo : photos) bytes.push_back(remote::ReadFileBytes(root.Path() + L"\\" + photo.path));
    return bytes;
}

// True when an entry of that name lies anywhere below `folder`.
bool AnyNamed(const CString& folder, const wchar_t* name) {
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW(folder + L"\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do {
        const CString entryName = entry.cFileName;
        if (entryName == L"." || entryName == L"..") continue;
        if (entryName.CompareNoCase(name) == 0) found = true;
        if (!found && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            found = AnyNamed(folder + L"\\" + entryName, name);
    } while (!found && FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

// The built program, from its own folder, where its tools lie and which the
// test set-up put on the machine PATH: it opens without a warning.
class Session : public remote::Session {
public:
    Session() : remote::Session(testkit::BuiltProgram()) {}
};

// The photos whose metadata a turn must keep: turned ones with extras.
bool Kept(const Photo& photo) { return photo.extra && photo.fate == Fate::Turned; }

// What `inspect` prints for each photo, one string per photo (empty for those
// not Kept()); what it is to show once turned if `references` (its turned
// picture is `scratch`\<index>.jpg then); empty when the script failed.
std::vector<std::string> Inspect(const remote::ToolFolder& root, const std::vector<Photo>& photos,
                                 const remote::ToolFolder& scratch, bool references) {
    std::string script = PhotoScript(remote::UnixPath(scratch.Path())) + "{\n";
    for (size_t i = 0; i < photos.size(); ++i) {
        const std::string file = remote::ShellQuoted(remote::UnixPath(root.Path()) + "/" + UnixRelative(photos[i].path));
        const std::string reference = references ? " \"$work/" + std::to_string(i) + ".jpg\"" : "";
        script += (Kept(photos[i]) ? "inspect " + file + reference : std::string(":")) + "; echo '<photo>'\n";
    }
    if (!remote::RunShellScript(script + "} > \"$work/listings\"\n", scratch.Path(), 120000)) return {};
    const std::string text = remote::ReadFileBytes(scratch.Path() + L"\\listings");
    std::vector<std::string> listings;
    for (size_t from = 0, at; (at = text.find("<photo>\n", from)) != std::string::npos; from = at + 8)
        listings.push_back(text.substr(from, at - from));
    return listings;
}

// The program's own jpegtran.exe on `in`.
bool Jpegtran(const wchar_t* transform, const CString& in, const CString& out) {
    testkit::Program tool(FolderOf(testkit::BuiltProgram()) + L"\\jpegtran.exe",
                          CString(L"-trim ") + transform + L" -outfile \"" + out + L"\" \"" + in + L"\"");
    DWORD code = 1;
    return tool.WaitForExit(60000, &code) && code == 0;
}

// Starts `program`, drops `entries` on it and runs with the box as given;
// false when any step failed. `end` is the box the run ended with.
bool RunOver(const std::vector<CString>& entries, bool includeSubfolders, MessageBoxSeen* end,
             const CString& program = testkit::BuiltProgram()) {
    remote::Session session(program);
    return session.Dialog() && session.Drop(entries) && session.RunToEnd(includeSubfolders, end, kRunTimeoutMs);
}

int TurnedIn(const std::vector<Photo>& photos) {
    return static_cast<int>(std::count_if(photos.begin(), photos.end(), [](const Photo& p) { return p.fate == Fate::Turned; }));
}

void CheckFinished(const MessageBoxSeen& end, const CString& counts) {
    CHECK_EQ(end.caption, CString(L"Orlenza"));
    CHECK_EQ(end.text, kFinished + counts);
    CHECK(end.informationIcon);
}

// The run said that it left `first` out, one item in all, instead of
// claiming it finished.
void CheckLeftOutOne(const MessageBoxSeen& end, const CString& first, const CString& counts) {
    CHECK_EQ(end.caption, CString(L"Orlenza"));
    CHECK_EQ(end.text, L"旋转未全部完成，共有 1 项未能处理，第一项是：\n" + first + L"\n请检查后再试！" + counts);
    CHECK(end.exclamationIcon);
}

}  // namespace

TEST_CASE(ticked_box_turns_every_photo_of_the_tree_upright) {
    GdiPlus gdiplus;
    REQUIRE(gdiplus.Ok());
    remote::ToolFolder root(L"e2e-tree");
    const Fate T = Fate::Turned, U = Fate::Untouched;
    // Three levels below the listed folder, blanks, Chinese, ' and & in
    // names, a hidden folder, a link to a folder outside the selection, a
    // text file, and a listed file beside one that is not listed.
    const std::vector<Photo> photos = {
        {L"选中 相册\\1 正常.jpg", 1, false, U},
        {L"选中 相册\\2 镜像.jpg", 2, false, T},
        {L"选中 相册\\Tom's 照片.jpg", 6, true, T},
        {L"选中 相册\\x & md pwned & .jpg", 3, false, T},
        {L"选中 相册\\说明.txt", 0, false, U},
        {L"选中 相册\\二级 目录\\3 旋转 180.jpg", 3, true, T},
        {L"选中 相册\\二级 目录\\Mum & Dad.JPG", 4, false, T},
        {L"选中 相册\\二级 目录\\三级 文件夹\\5 转置.jpg", 5, false, T},
        {L"选中 相册\\二级 目录\\三级 文件夹\\6 右转.jpg", 6, true, T},
        {L"选中 相册\\.隐藏 目录\\7 横转.jpg", 7, false, T},
        {L"选中 相册\\.隐藏 目录\\8 左转.jpg", 8, true, T},
        {L"未选\\8 未选.jpg", 8, false, U},
        {L"单独 文件\\8 左转 单独.jpg", 8, true, T},
        {L"单独 文件\\6 旁边.jpg", 6, false, U},
    };
    REQUIRE(MakePhotos(root, photos));
    const CString listed = root.Path() + L"\\选中 相册";
    const CString hidden = listed + L"\\.隐藏 目录";
    SetFileAttributesW(hidden, FILE_ATTRIBUTE_HIDDEN);
    REQUIRE(GetFileAttributesW(hidden) & FILE_ATTRIBUTE_HIDDEN);
    remote::FolderLink link(listed + L"\\链接", root.Path() + L"\\未选", root.Path());
    REQUIRE(link.Made());
    const CString gone = root.File(L"gone.jpg", 100);
    const std::vector<std::string> before = Contents(root, photos);

    {
        Session session;
        REQUIRE(session.Dialog());
        CHECK_EQ(session.Warnings().size(), size_t{0});
        REQUIRE(session.Drop({listed, root.Path() + L"\\单独 文件\\8 左转 单独.jpg", gone}));
        REQUIRE(DeleteFileW(gone));
        MessageBoxSeen end;
        REQUIRE(session.RunToEnd(true, &end, kRunTimeoutMs));
        CheckFinished(end, Counts(TurnedIn(photos), 1));
    }

    CheckPhotos(root, photos, before);
    // The name that would run a command if it reached a command line
    // unquoted ran nothing: no folder "pwned" where the tool or the program
    // ran.
    CHECK(!AnyNamed(root.Path(), L"pwned"));
    CHECK(GetFileAttributesW(FolderOf(testkit::BuiltProgram()) + L"\\pwned") == INVALID_FILE_ATTRIBUTES);
}

TEST_CASE(cleared_box_turns_only_the_listed_folder) {
    GdiPlus gdiplus;
    REQUIRE(gdiplus.Ok());
    remote::ToolFolder root(L"e2e-flat");
    const std::vector<Photo> photos = {
        {L"上层\\6 上层.jpg", 6, true, Fate::Turned},
        {L"上层\\8 上层.jpg", 8, false, Fate::Turned},
        {L"上层\\下层\\6 下层.jpg", 6, false, Fate::Untouched},
    };
    REQUIRE(MakePhotos(root, photos));
    const std::vector<std::string> before = Contents(root, photos);
    MessageBoxSeen end;
    REQUIRE(RunOver({root.Path() + L"\\上层"}, false, &end));
    CheckFinished(end, Counts(2, 0));
    CheckPhotos(root, photos, before);
}

// What photo folders hold besides plain photos, each kind in a folder of its
// own, listed as folders or files in one run:
// - every kind of metadata: all of it kept, pixels exactly jpegtran's; a
//   thumbnail that is no picture, a UserComment padded with blanks and a
//   Multi-Picture index pointing past the end do not stop the turn;
// - programs named like the tool's helper (a batch file leaves a file beside
//   itself when it runs, the stand-in program its log) beside folder, file
//   and sub-folder entries, a name the command processor would expand, an
//   empty folder and one without photos: nothing runs, none is left out;
// - Korean and emoji names, which code page 936 would turn into "??.jpg", a
//   pattern that "ab.jpg" beside them matches;
// - a photo cut short among intact ones, turned on several threads at once:
//   the intact ones are turned, the damaged one stays byte for byte and is
//   the one item left out.
// Then a copy of the program without jpegtran.exe beside it turns a photo
// all the same: the tool turns pictures itself and starts no other program.
TEST_CASE(mixed_folders_keep_metadata_run_nothing_planted_and_name_what_was_left_out) {
    GdiPlus gdiplus;
    REQUIRE(gdiplus.Ok());
    remote::ToolFolder root(L"e2e-mixed"), scratch(L"e2e-mixed-scratch");
    const Fate T = Fate::Turned, U = Fate::Untouched;
    const std::vector<Photo> photos = {
        {L"元数据\\icc.jpg", 6, false, T, "icc"},  // a profile in two APP2 chunks
        {L"元数据\\iptc.jpg", 8, true, T, "iptc sizes"},
        {L"元数据\\xmp extension.jpg", 6, false, T, "xmpext"},
        {L"元数据\\app6 app1 com com app14.jpg", 8, false, T, "segments"},
        {L"元数据\\xmp orientation.jpg", 6, false, T, "xmporient"},
        {L"元数据\\trailer.jpg", 8, false, T, "trailer"},
        {L"元数据\\multi-picture.jpg", 6, true, T, "mpf"},
        {L"元数据\\all.jpg", 8, true, T, "icc iptc xmpext xmporient sizes segments mpf trailer"},
        // Metadata that cannot be edited exactly is carried over as it was.
        {L"元数据\\text thumbnail.jpg", 6, false, T, "textthumb"},
        {L"元数据\\spaced comment.jpg", 8, false, T, "comment"},
        {L"元数据\\multi-picture cut.jpg", 6, false, T, "mpfpast"},
        {L"放置\\6 放置.jpg", 6, false, T},
        {L"放置\\jpegtran.bat", 0, false, U, "plant"},
        {L"放置\\jpegtran.cmd", 0, false, U, "plant"},
        {L"放置\\jpegtran.exe", 0, false, U},
        {L"单独\\8 单独.jpg", 8, true, T},
        {L"单独\\jpegtran.bat", 0, false, U, "plant"},
        {L"单独\\jpegtran.exe", 0, false, U},
        {L"上层\\下层\\6 下层.jpg", 6, false, T},
        {L"上层\\下层\\jpegtran.cmd", 0, false, U, "plant"},
        {L"上层\\下层\\jpegtran.exe", 0, false, U},
        {L"名字\\100%USERNAME%.jpg", 6, false, T},
        {L"文本\\说明.txt", 0, false, U},
        {L"单个\\사진.jpg", 6, false, T},
        {L"单个\\\U0001F600.jpg", 8, true, T},
        {L"单个\\ab.jpg", 6, false, U},
        {L"文件夹\\가족 사진.jpg", 3, true, T},
        {L"文件夹\\\U0001F338 花.jpg", 5, false, T},
        {L"相册\\a 完好.jpg", 6, false, T},
        {L"相册\\b 完好.jpg", 3, false, T},
        {L"相册\\c 损坏.jpg", 6, false, U, "cut"},
        {L"相册\\d 完好.jpg", 8, true, T},
        {L"相册\\e 正常.jpg", 1, false, U},
        {L"相册\\f 完好.jpg", 5, false, T},
        {L"无工具\\6.jpg", 6, true, T},
    };
    REQUIRE(MakePhotos(root, photos));
    for (const Photo& photo : photos)
        if (CString(photo.path).Right(12) == L"jpegtran.exe")
            REQUIRE(CopyFileW(testkit::ModuleDir() + L"\\fake_jhead.exe", root.Path() + L"\\" + photo.path, FALSE));
    root.Folder(L"上层\\空目录");
    for (size_t i = 0; i < photos.size(); ++i)
        REQUIRE(!Kept(photos[i]) || Jpegtran(photos[i].orientation == 6 ? L"-rotate 90" : L"-rotate 270",
                                             root.Path() + L"\\" + photos[i].path,
                                             scratch.Path() + CString::Formatted(L"\\%u.jpg", static_cast<unsigned>(i))));
    const std::vector<std::string> before = Contents(root, photos), expected = Inspect(root, photos, scratch, true);
    REQUIRE(expected.size() == photos.size());
    std::vector<CString> entries;
    for (const wchar_t* entry : {L"元数据", L"放置", L"单独\\8 单独.jpg", L"上层", L"名字", L"文本", L"单个\\사진.jpg",
                                 L"单个\\\U0001F600.jpg", L"文件夹", L"相册"})
        entries.push_back(root.Path() + L"\\" + entry);
    MessageBoxSeen end;
    REQUIRE(RunOver(entries, true, &end));
    // The tool names the damaged photo, not its folder; the photo in 无工具
    // is the next run's.
    CheckLeftOutOne(end, root.Path() + L"\\相册\\c 损坏.jpg", Counts(TurnedIn(photos) - 1, 1));
    remote::ToolFolder install(L"e2e-no-jpegtran");
    const CString program = testkit::CopyOfProgram(install.Path());
    REQUIRE(!program.IsEmpty() &&
            CopyFileW(FolderOf(testkit::BuiltProgram()) + L"\\jhead.exe", install.Path() + L"\\jhead.exe", FALSE));
    REQUIRE(RunOver({root.Path() + L"\\无工具"}, false, &end, program));
    CheckFinished(end, Counts(1, 0));

    CheckPhotos(root, photos, before);
    const std::vector<std::string> after = Inspect(root, photos, scratch, false);
    REQUIRE(after.size() == photos.size());
    for (size_t i = 0; i < photos.size(); ++i) {
        if (!Kept(photos[i])) continue;
        testkit::SetContext(Utf8(photos[i].path));
        CHECK(expected[i].find("after the end: ") != std::string::npos);
        CHECK_EQ(after[i], expected[i]);
    }
    testkit::SetContext("");
}

namespace {

// The tool started as the program starts it (hidden, from its own folder),
// its standard output kept in `scratch`: what it wrote. Its input is a pipe
// that has already ended, as a script's often is: only the word "stop" may
// stop a run, never an input's end.
std::string ToolReport(const CString& arguments, const CString& scratch, DWORD* code) {
    const CString tool = FolderOf(testkit::BuiltProgram()) + L"\\jhead.exe", out = scratch + L"\\report.txt";
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE file = CreateFileW(out, GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0, nullptr);
    HANDLE input = nullptr, inputWriting = nullptr;
    CreatePipe(&input, &inputWriting, &inheritable, 0);
    CloseHandle(inputWriting);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = file;
    CString commandLine = L"\"" + tool + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessW(tool, commandLine.GetBuffer(commandLine.GetLength() + 1), nullptr, nullptr,
                                        TRUE, CREATE_NO_WINDOW, nullptr, FolderOf(tool), &startup, &info);
    CloseHandle(file);
    CloseHandle(input);
    if (!started) return "(not started)";
    WaitForSingleObject(info.hProcess, kRunTimeoutMs);
    GetExitCodeProcess(info.hProcess, code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return remote::ReadFileBytes(out);
}

// What the tool is to say of a photo: nothing of a file that is no JPEG.
const char* Said(const Photo& photo) {
    if (photo.orientation == 0) return nullptr;
    if (photo.fate == Fate::Turned) return "turned";
    return photo.extra && std::string(photo.extra) == "cut" ? "failed" : "upright";
}

}  // namespace

// The tool on a folder whose photos its workers turn several at a time: one
// line per JPEG on its standard output, in the folder's order (by name),
// saying what became of it, the photos as the lines say, a damaged one among
// them the only failure, and no temporary file left.
TEST_CASE(the_tool_reports_each_photo_of_a_folder_once_in_the_folder_s_order) {
    GdiPlus gdiplus;
    REQUIRE(gdiplus.Ok());
    remote::ToolFolder root(L"e2e-report"), scratch(L"e2e-report-scratch");
    const Fate T = Fate::Turned, U = Fate::Untouched;
    const std::vector<Photo> photos = {
        {L"相册\\1.jpg", 6, true, T},       {L"相册\\2.jpg", 8, false, T}, {L"相册\\3 正常.jpg", 1, false, U},
        {L"相册\\4.jpg", 3, true, T},       {L"相册\\5 损坏.jpg", 6, false, U, "cut"},
        {L"相册\\6.jpg", 5, false, T},      {L"相册\\7 说明.txt", 0, false, U},
        {L"相册\\8.jpg", 7, true, T},       {L"相册\\9.jpg", 2, false, T},
    };
    REQUIRE(MakePhotos(root, photos));
    const std::vector<std::string> before = Contents(root, photos);
    std::string expected;
    for (const Photo& photo : photos)
        if (const char* said = Said(photo)) expected += std::string(said) + "\t" + Utf8(root.Path() + L"\\" + photo.path) + "\r\n";
    DWORD code = 0;
    CHECK_EQ(ToolReport(L"-autorot \"" + root.Path() + L"\\相册\\*.*\"", scratch.Path(), &code), expected);
    CHECK_EQ(code, DWORD{1});  // the damaged photo needed turning
    CheckPhotos(root, photos, before);
}
