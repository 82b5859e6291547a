// Fetches the version file as the product does (FetchVersionFile: the built-in update host, port
// 80) for the end-to-end tests, which run it beside a local web server.
//   fetch_version_file.exe STAMP [OUTPUT]
// Writes the body as UTF-8 to OUTPUT (or to standard output) and ends with 0; on an HttpError
// prints "HttpError: <kind> <status>" to standard error and ends with 1.
#include "support/NarrowText_win.h"
#include "update/HttpError.h"
#include "update/VersionFile.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: fetch_version_file STAMP [OUTPUT]\n", stderr);
        return 2;
    }
    try {
        const std::string body = veyra::Narrow(veyra::FetchVersionFile(argv[1]), CP_UTF8);
        FILE* out = stdout;
        if (argc > 2)
            out = _wfopen(argv[2], L"wb");
        else
            _setmode(_fileno(stdout), _O_BINARY);
        if (out == nullptr)
            return 2;
        std::fwrite(body.data(), 1, body.size(), out);
        if (out != stdout)
            std::fclose(out);
        return 0;
    } catch (const veyra::HttpError& error) {
        std::fprintf(stderr, "HttpError: %s %d\n", veyra::HttpErrorKindName(error.Kind()),
                     error.StatusCode());
        return 1;
    }
}
