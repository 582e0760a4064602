// The display aspect that a video stream's headers declare: a decoder that is told only the
// frame's size shows its pixels square, which broadcasts' pixels often are not.
#pragma once

#include <cstddef>
#include <cstdint>

struct VideoAspect {
    int x = 0, y = 0;  // 0 by 0 where the header does not say
};

// From the bytes after an MPEG-2 sequence header's start code.
VideoAspect Mpeg2SequenceAspect(const uint8_t* header, size_t size);
// From an H.264 sequence parameter set, its NAL header byte first: the cropped frame's size times
// the sample aspect of its video usability information.
VideoAspect H264SequenceAspect(const uint8_t* nal, size_t size);
