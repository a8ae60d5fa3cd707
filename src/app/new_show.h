// --new-show DIR: a starter show to begin a show of one's own with.
//
// The show is a folder like the bundled one: data/demo.txt with three
// entries (a ShaderShow layer of data/picture.jpg through data/layer.fs, the
// emblem data/emblem.png pulsing with the beat, a white flash), the music
// data/tune.wav (16 seconds at 120 BPM made here, looping) and the loading
// picture data/overlay/loader.jpg. It plays at once with
// `--show DIR --watch --tweak`; the script's comments say what to change.
//
// DIR may be new (it is made, with its parents) or an empty folder. Anything
// else is refused before a byte is written: a folder that holds anything, a
// file. Files are created exclusively, so nothing that appears meanwhile is
// overwritten either; when a write fails, the files and folders made so far
// are removed again.
#pragma once

#include <string>
#include <vector>

struct StarterFile {
    std::string path;   // relative to the show folder
    std::string bytes;  // the whole file
};

// The files of the starter show, in the order they are written.
std::vector<StarterFile> StarterShowFiles();

// Why no starter show can be written into `folder`, or "" when it can.
std::string NewShowProblem(const std::string& folder);

// Writes the starter show into `folder` and says on standard output how to
// play it with the program started as `program`. Returns the exit status: 0
// when written, 1 when refused or a write failed (the reason on standard
// error).
int WriteNewShow(const std::string& folder, const std::string& program);
