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
