# The streams that the player's tests and benchmarks play, generated into the build tree by the
# build machine's ffmpeg: moving test pictures of 320x240 with a tone, MPEG-2 video and MP2 audio,
# multiplexed at a constant rate so that a server can pace them in real time; the file's extension
# chooses the container (.ts a transport stream, .mpg a programme stream).
find_program(FFMPEG ffmpeg PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set(TEST_STREAM_BYTES_PER_SECOND 125000)

# tvclient_test_stream(<output file> <seconds>)
function(tvclient_test_stream output seconds)
    math(EXPR bits_per_second "${TEST_STREAM_BYTES_PER_SECOND} * 8")
    add_custom_command(OUTPUT ${output}
        COMMAND ${FFMPEG} -v error -y
            -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000
            -t ${seconds} -c:v mpeg2video -b:v 600k -maxrate 600k -bufsize 600k -g 12 -c:a mp2 -b:a 96k
            -muxrate ${bits_per_second} ${output}
        VERBATIM)
endfunction()

# Transport streams of a broadcaster's kind, all of one length, their video at a constant rate with a
# picture that starts a group every second, multiplexed at a constant rate: a stream's size over its
# length is the rate to pace it at.
set(BROADCAST_STREAM_SECONDS 6)

# tvclient_broadcast_stream(<output file> <width>x<height> <frames per second> progressive|interlaced
#                           h264|mpeg2 <video kbit/s> aac|mp2|ac3)
# H.264 is of the high profile; interlaced pictures are coded as fields, the top one first.
function(tvclient_broadcast_stream output size rate scan video kbps audio)
    if(video STREQUAL h264)
        set(x264_params nal-hrd=cbr)
        if(scan STREQUAL interlaced)
            string(APPEND x264_params :interlaced=1:tff=1)
        endif()
        set(video_options -c:v libx264 -preset veryfast -profile:v high -pix_fmt yuv420p -x264-params ${x264_params})
    else()
        set(video_options -c:v mpeg2video)
        if(scan STREQUAL interlaced)
            list(APPEND video_options -flags +ilme+ildct -top 1)
        endif()
    endif()
    set(audio_kbps 192)
    # A tenth more than the streams carry, for the multiplex's own tables and packet headers.
    math(EXPR mux_bits_per_second "(${kbps} + ${audio_kbps}) * 1100")
    math(EXPR buffer_kbits "${kbps} / 2")
    add_custom_command(OUTPUT ${output}
        COMMAND ${FFMPEG} -v error -y
            -f lavfi -i testsrc2=size=${size}:rate=${rate} -f lavfi -i sine=frequency=440:sample_rate=48000
            -t ${BROADCAST_STREAM_SECONDS} ${video_options}
            -b:v ${kbps}k -maxrate ${kbps}k -bufsize ${buffer_kbits}k -g ${rate}
            -c:a ${audio} -b:a ${audio_kbps}k -muxrate ${mux_bits_per_second} ${output}
        VERBATIM)
endfunction()

# A light channel: 320x240 H.264 at about 20 KB/s with mono sound, its key frames a fixed number of
# seconds apart and nowhere else.
# tvclient_light_stream(<output file> aac|mp2 <seconds between key frames> <seconds>)
function(tvclient_light_stream output audio key_seconds seconds)
    math(EXPR key_frames "${key_seconds} * 25")
    add_custom_command(OUTPUT ${output}
        COMMAND ${FFMPEG} -v error -y
            -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000
            -t ${seconds} -c:v libx264 -preset veryfast -pix_fmt yuv420p -b:v 64k -maxrate 64k -bufsize 64k
            -x264-params keyint=${key_frames}:min-keyint=${key_frames}:scenecut=0
            -c:a ${audio} -ac 1 -b:a 32k ${output}
        VERBATIM)
endfunction()

# A channel of MPEG-2 pictures at 320x240 whose key frames are a fixed number of seconds apart.
# tvclient_sparse_stream(<output file> <seconds between key frames> <seconds>)
function(tvclient_sparse_stream output key_seconds seconds)
    math(EXPR key_frames "${key_seconds} * 25")
    add_custom_command(OUTPUT ${output}
        COMMAND ${FFMPEG} -v fatal -y
            -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000
            -t ${seconds} -c:v mpeg2video -b:v 200k -g ${key_frames} -c:a mp2 -ac 1 -b:a 32k ${output}
        VERBATIM)
endfunction()

# A white circle on black in 720x576 pictures of the display aspect given: drawn as wide as the
# pixels of that aspect are narrow, so that it is round only where the aspect is kept.
# tvclient_circle_stream(<output file> mpeg2|h264 <aspect width> <aspect height> <seconds>)
function(tvclient_circle_stream output video aspect_width aspect_height seconds)
    if(video STREQUAL h264)
        set(video_options -c:v libx264 -preset veryfast -pix_fmt yuv420p -b:v 1000k -g 12)
    else()
        set(video_options -c:v mpeg2video -b:v 1000k -g 12)
    endif()
    # A pixel's width over its height is the display aspect over the frame's, 720:576.
    math(EXPR pixel_width "${aspect_width} * 576")
    math(EXPR pixel_height "${aspect_height} * 720")
    set(circle "lt(hypot((X-W/2)*${pixel_width}/${pixel_height},Y-H/2),H/4)")
    add_custom_command(OUTPUT ${output}
        COMMAND ${FFMPEG} -v error -y
            -f lavfi -i color=black:size=720x576:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000
            -t ${seconds} -vf "geq=lum='if(${circle},235,16)':cb=128:cr=128,setdar=${aspect_width}/${aspect_height}"
            ${video_options} -c:a mp2 -b:a 96k ${output}
        VERBATIM)
endfunction()
