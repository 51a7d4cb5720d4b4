// quor_vane_replay SCRIPT: runs the measurement program on the headless back
// end in the current directory, feeding it the messages of SCRIPT, and exits
// with the program's status. It replays a measurement session exactly as the
// window would have received it, and can save what the window showed.
//
// Script lines (blank lines and lines starting with # are skipped):
//   move X Y           pointer moved to client position (X, Y)
//   wheel D            wheel turned by delta D (120 is one notch forward)
//   release            left button released (records a point)
//   keys N NAME...     the keys pressed and released one after another, N
//                      times over, all arriving at once (as from xdotool key
//                      --delay 0 --repeat N NAME...)
//   key NAME           a key pressed and released, NAME as xdotool writes X
//                      keysyms: Left, Right, Up, Down, Prior, Next, space,
//                      Return, KP_Enter, BackSpace, a letter or a digit, after
//                      modifiers shift+ and ctrl+ (shift+Left, ctrl+z)
//   keydown NAME       the key pressed, or repeated while held
//   keyup NAME         the key released
//   expose L T R B     part of the client area uncovered (right, bottom exclusive)
//   resize W H         client area resized to W by H
//   save FILE          save the client area as a 24-bit BMP
//   cursor             print "cursor COUNTER": the system pointer's display
//                      counter (the pointer shows while it is 0 or more)
//   readout            print "readout ROW TEXT" for every line of the readout
//                      beside the picture that shows anything, read off the
//                      window's pixels; a line with pixels that are no text
//                      ends with "?", and pixels in the readout column
//                      outside its lines print "readout stray ROW"
//   read X Y           print "read X Y TEXT": the text line the window shows
//                      from (X, Y) to its right edge, read likewise
//   objects            print "objects DCS BITMAPS": device contexts and bitmaps
//                      not yet deleted
//   pointer            print "pointer X Y": where the program last sent the
//                      system pointer, in screen coordinates (here the same
//                      as client coordinates), or "pointer none"
//   append FILE TEXT   append TEXT and a line break to FILE, as another
//                      program might meanwhile
//   write FILE AT TEXT write TEXT over FILE's bytes from offset AT on (or from
//                      the start of its last line, for AT "last"), in place,
//                      as another program might meanwhile
//   remove FILE        delete FILE, as another program might meanwhile
//   rename FROM TO     rename FROM to TO, likewise
//   window             print "window STYLE WIDTH HEIGHT": the main window's class
//                      style (hexadecimal) and client size
//   close              close request, as from the close box
//   kill               end the process at once, as a kill would
//   echo-lag N         from now on input reaches the program a few messages at
//                      a time, and each move of the system pointer that the
//                      program makes comes back N input messages later, as a
//                      window system under a burst of input delivers them
//   burst ... end      the input lines between burst and end arrive at once,
//                      before the program has handled the first of them
// A move, wheel, release or key line prefixed with "early" is queued before the
// window is first painted, as input that arrives while the window appears;
// early moves in a row reach the window as one, at the last position, as moves
// do that wait in a real window's queue.
// Each other line takes effect once everything before it has been handled.
// At the end of the script the window is closed.
#include "app/measure_window.h"
#include "platform/headless.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Script {
    std::vector<std::string> lines;
    std::size_t next = 0;
    bool failed = false;
    bool inBurst = false; // between burst and end
};

LPARAM Client_Position(long x, long y)
{
    return static_cast<LPARAM>((static_cast<unsigned long>(y & 0xFFFF) << 16) |
                               static_cast<unsigned long>(x & 0xFFFF));
}

WPARAM Wheel_Word(long delta)
{
    return static_cast<WPARAM>(static_cast<unsigned long>(delta & 0xFFFF) << 16);
}

struct Input {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The virtual key of an X keysym name, 0 for one the program has no use for;
// `extended` for the keypad's Enter.
UINT Virtual_Key(const std::string &name, bool *extended)
{
    static const std::pair<const char *, UINT> keys[] = {
        {"Left", VK_LEFT},        {"Right", VK_RIGHT},     {"Up", VK_UP},
        {"Down", VK_DOWN},        {"Prior", VK_PRIOR},     {"Page_Up", VK_PRIOR},
        {"Next", VK_NEXT},        {"Page_Down", VK_NEXT},  {"space", VK_SPACE},
        {"Return", VK_RETURN},    {"KP_Enter", VK_RETURN}, {"BackSpace", VK_BACK},
        {"shift", VK_SHIFT},      {"Shift_L", VK_SHIFT},   {"ctrl", VK_CONTROL},
        {"Control_L", VK_CONTROL}};
    *extended = name == "KP_Enter";
    for (const auto &[keysym, key] : keys)
        if (name == keysym)
            return key;
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
        return static_cast<UINT>(std::toupper(static_cast<unsigned char>(name[0])));
    return 0;
}

// Keys that a keydown line pressed and no keyup line has released yet.
std::vector<UINT> heldKeys;

// A key's messages as the system sends them: the modifiers go down first and
// up last. Repeat count 1; bit 24 for an extended key, 30 for a key that was
// down (a keydown line for a held key is a repeat), 31 for a release.
bool Key_Input(const std::string &verb, const std::string &name, std::vector<Input> *input)
{
    std::vector<std::pair<UINT, LPARAM>> keys;
    std::size_t start = 0;
    for (std::size_t plus; (plus = name.find('+', start)) != std::string::npos; start = plus + 1) {
        bool extended = false;
        const UINT modifier = Virtual_Key(name.substr(start, plus - start), &extended);
        if (modifier != VK_SHIFT && modifier != VK_CONTROL)
            return false;
        keys.push_back({modifier, 1});
    }
    bool extended = false;
    const UINT key = Virtual_Key(name.substr(start), &extended);
    if (key == 0)
        return false;
    keys.push_back({key, 1 | (extended ? LPARAM(1) << 24 : 0)});
    const LPARAM released = LPARAM(3) << 30;
    if (verb != "keyup")
        for (const auto &[code, flags] : keys) {
            const bool held = std::find(heldKeys.begin(), heldKeys.end(), code) != heldKeys.end();
            input->push_back(Input{WM_KEYDOWN, code, flags | (held ? LPARAM(1) << 30 : 0)});
            if (verb == "keydown" && !held)
                heldKeys.push_back(code);
        }
    if (verb == "keyup")
        for (const auto &[code, flags] : keys)
            heldKeys.erase(std::remove(heldKeys.begin(), heldKeys.end(), code), heldKeys.end());
    if (verb != "keydown")
        for (auto k = keys.rbegin(); k != keys.rend(); ++k)
            input->push_back(Input{WM_KEYUP, k->first, k->second | released});
    return true;
}

std::string Read_Whole_File(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Turns an input line into messages. Returns false if the line is not input.
bool Input_Messages(const std::string &verb, std::istringstream &args, std::vector<Input> *input)
{
    long a = 0, b = 0;
    std::string name;
    if (verb == "move" && (args >> a >> b))
        input->push_back(Input{WM_MOUSEMOVE, 0, Client_Position(a, b)});
    else if (verb == "wheel" && (args >> a))
        input->push_back(Input{WM_MOUSEWHEEL, Wheel_Word(a), 0});
    else if (verb == "release")
        input->push_back(Input{WM_LBUTTONUP, 0, 0});
    else if ((verb == "key" || verb == "keydown" || verb == "keyup") && (args >> name))
        return Key_Input(verb, name, input);
    else if (verb == "keys" && (args >> a) && a > 0) {
        std::vector<std::string> names;
        while (args >> name)
            names.push_back(name);
        for (long i = 0; i < a; i++)
            for (const std::string &key : names)
                if (!Key_Input("key", key, input))
                    return false;
        return !names.empty();
    } else
        return false;
    return true;
}

void Queue_Input(const std::vector<Input> &input)
{
    for (const Input &message : input)
        Headless_Queue_Input(message.message, message.wParam, message.lParam);
}

void Script_Error(Script &script, const std::string &line)
{
    std::fprintf(stderr, "quor_vane_replay: cannot read script line %zu: %s\n", script.next,
                 line.c_str());
    script.failed = true;
}

// The readout's rows: the point number, X, Y, Z and the parallax, the
// notice's lines and the line of automatic height.
std::vector<int> Readout_Rows()
{
    std::vector<int> rows = {readoutIdRow, readoutXRow, readoutYRow, readoutZRow,
                             readoutParallaxRow};
    for (int line = 0; line < noticeMaxLines; line++)
        rows.push_back(noticeTop + line * noticeLineHeight);
    rows.push_back(autoHeightRow);
    return rows;
}

void Print_Readout()
{
    const int height = Inspect_Text_Height();
    const std::vector<int> rows = Readout_Rows();
    for (int row : rows) {
        const std::string text = Inspect_Text_At(readoutColumn, row);
        if (!text.empty())
            std::printf("readout %d %s\n", row, text.c_str());
    }
    for (int y = 0; y < Inspect_Client_Height(); y++) {
        const bool inLine = std::any_of(rows.begin(), rows.end(),
                                        [&](int row) { return y >= row && y < row + height; });
        for (int x = readoutColumn; !inLine && x < Inspect_Client_Width(); x++)
            if (Inspect_Client_Pixel(x, y) != RGB(255, 255, 255)) {
                std::printf("readout stray %d\n", y);
                return;
            }
    }
}

// Runs script lines until one hands the program something to do.
bool Next_Step(void *context)
{
    Script &script = *static_cast<Script *>(context);
    while (script.next < script.lines.size() && !script.failed) {
        const std::string &line = script.lines[script.next++];
        std::istringstream args(line);
        std::string verb;
        args >> verb;
        if (verb.empty() || verb[0] == '#' || verb == "early")
            continue;

        std::vector<Input> input;
        long a = 0, b = 0, c = 0, d = 0;
        std::string file, target;
        if (Input_Messages(verb, args, &input)) {
            Queue_Input(input);
            if (!script.inBurst)
                return true;
        } else if (verb == "burst" && !script.inBurst) {
            script.inBurst = true;
        } else if (verb == "end" && script.inBurst) {
            script.inBurst = false;
            return true;
        } else if (verb == "echo-lag" && (args >> a)) {
            Headless_Set_Echo_Lag(static_cast<int>(a));
        } else if (script.inBurst) {
            Script_Error(script, line); // only input arrives in a burst
        } else if (verb == "expose" && (args >> a >> b >> c >> d)) {
            Headless_Invalidate(static_cast<int>(a), static_cast<int>(b), static_cast<int>(c),
                                static_cast<int>(d));
            return true;
        } else if (verb == "resize" && (args >> a >> b)) {
            Headless_Resize(static_cast<int>(a), static_cast<int>(b));
            return true;
        } else if (verb == "close") {
            Headless_Request_Close();
            return true;
        } else if (verb == "save" && (args >> file)) {
            if (!Inspect_Save_Client_Bmp(file.c_str()))
                std::fprintf(stderr, "quor_vane_replay: could not save %s\n", file.c_str());
        } else if (verb == "cursor") {
            std::printf("cursor %d\n", Inspect_Cursor_Counter());
            std::fflush(stdout);
        } else if (verb == "readout") {
            Print_Readout();
            std::fflush(stdout);
        } else if (verb == "read" && (args >> a >> b)) {
            const std::string text = Inspect_Text_At(static_cast<int>(a), static_cast<int>(b));
            std::printf("read %ld %ld%s%s\n", a, b, text.empty() ? "" : " ", text.c_str());
            std::fflush(stdout);
        } else if (verb == "objects") {
            std::printf("objects %d %d\n", Inspect_Live_Dcs(), Inspect_Live_Gdi_Objects());
            std::fflush(stdout);
        } else if (verb == "pointer") {
            int x = 0, y = 0;
            if (Inspect_Pointer_Moved_To(&x, &y))
                std::printf("pointer %d %d\n", x, y);
            else
                std::printf("pointer none\n");
            std::fflush(stdout);
        } else if (verb == "append" && (args >> file)) {
            std::string text;
            std::getline(args >> std::ws, text);
            FILE *out = std::fopen(file.c_str(), "a");
            const bool written = out != nullptr && std::fprintf(out, "%s\n", text.c_str()) >= 0;
            if ((out != nullptr && std::fclose(out) != 0) || !written)
                std::fprintf(stderr, "quor_vane_replay: could not append to %s\n", file.c_str());
        } else if (verb == "write" && (args >> file >> target)) {
            std::string text;
            std::getline(args >> std::ws, text);
            const std::string old = Read_Whole_File(file);
            const std::size_t lastLine = old.find_last_of('\n', old.size() - 2) + 1;
            a = target == "last" ? static_cast<long>(lastLine) : std::atol(target.c_str());
            FILE *out = std::fopen(file.c_str(), "r+b");
            const bool written = out != nullptr && std::fseek(out, a, SEEK_SET) == 0 &&
                                 std::fputs(text.c_str(), out) >= 0;
            if ((out != nullptr && std::fclose(out) != 0) || !written)
                std::fprintf(stderr, "quor_vane_replay: could not write to %s\n", file.c_str());
        } else if (verb == "remove" && (args >> file)) {
            if (std::remove(file.c_str()) != 0)
                std::fprintf(stderr, "quor_vane_replay: could not remove %s\n", file.c_str());
        } else if (verb == "rename" && (args >> file >> target)) {
            if (std::rename(file.c_str(), target.c_str()) != 0)
                std::fprintf(stderr, "quor_vane_replay: could not rename %s\n", file.c_str());
        } else if (verb == "window") {
            std::printf("window %#x %d %d\n", Inspect_Main_Window_Class_Style(),
                        Inspect_Client_Width(), Inspect_Client_Height());
            std::fflush(stdout);
        } else if (verb == "kill") {
            std::fflush(stdout);
            std::raise(SIGKILL);
        } else {
            Script_Error(script, line);
        }
    }
    return false;
}

// Queues the "early" input lines before the program starts.
bool Queue_Early_Input(Script &script)
{
    for (const std::string &line : script.lines) {
        std::istringstream args(line);
        std::string word, verb;
        args >> word;
        if (word != "early")
            continue;
        args >> verb;
        std::vector<Input> input;
        if (!Input_Messages(verb, args, &input))
            return false;
        Queue_Input(input);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quor_vane_replay SCRIPT\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "quor_vane_replay: cannot open %s: %s\n", argv[1],
                     std::strerror(errno));
        return 2;
    }
    Script script;
    for (std::string line; std::getline(in, line);)
        script.lines.push_back(line);
    if (!Queue_Early_Input(script)) {
        std::fprintf(stderr,
                     "quor_vane_replay: an early line must be move, wheel, release or key\n");
        return 2;
    }

    Headless_Set_Idle_Handler(Next_Step, &script);
    int status = WinMain(nullptr, nullptr, nullptr, 1);
    return script.failed ? 2 : status;
}
