// Stands in for a program the client starts (the browser, the updater): appends its own name and
// its arguments as a line to started.txt in the current directory, and ends.
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    // The name the program was started by.
    const char* name = std::strrchr(argv[0], '\\');
    std::string line = name != nullptr ? name + 1 : argv[0];
    for (int i = 1; i < argc; ++i)
        line += std::string(" ") + argv[i];
    FILE* file = std::fopen("started.txt", "ab");
    if (file == nullptr)
        return 1;
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
    return 0;
}
