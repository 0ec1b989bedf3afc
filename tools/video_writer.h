// video_writer.h -- frames and a WAV soundtrack encoded to one video file by an ffmpeg child process
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct VideoWriter {
    std::string path;              // the file asked for; it appears only when the video is complete
    std::string part;              // where ffmpeg writes until then
    pid_t pid = -1;                // the ffmpeg process, -1 when none runs
    int fd = -1;                   // its standard input: raw rgb24 frames
    int width = 0;
    int height = 0;
    int frames = 0;                // frames written so far
    std::vector<uint8_t> upright;  // one frame, rows top first
};

// Whether an executable ffmpeg is on PATH; says so on standard error when not.
bool find_ffmpeg();

// Claims path's temporary name, so that a directory that cannot take the file is found before any
// frame is rendered. False, with a message, when it cannot be written.
bool reserve_video(VideoWriter* video, const std::string& path);

// Starts ffmpeg: width x height frames at fps from its standard input, and the sound of wav, to
// H.264 (yuv420p) and AAC. False, with a message, when it cannot be started.
bool start_video(VideoWriter* video, const std::string& wav, int width, int height, int fps);

// Sends one frame, rows bottom first as glReadPixels returns them. False when ffmpeg has stopped
// taking frames.
bool write_video_frame(VideoWriter* video, const uint8_t* bottom_up);

// Ends the input and waits for ffmpeg. When ffmpeg succeeded on a complete video the file takes its
// name; otherwise, with a message, nothing is left under either name.
bool finish_video(VideoWriter* video, bool complete);

// Stops ffmpeg and removes what it wrote; does nothing once the video is finished or abandoned.
// Allocates nothing, so the signal handler calls it too.
void abandon_video(VideoWriter* video);
