#pragma once
// The loopback HTTP server that the test run starts (scripts/lib/http_server.py). Its address
// and the folder it serves as /files/ come from UPDATER_TEST_SERVER_DIR, which holds the file
// "port" (written by the server) and the folder "www".
//
// Paths it answers: /files/<name>, /bytes/<n>, /status/<code>, /empty, /silent,
// /silent-headers, /redirect/<n>, /redirect-loop, /redirect-to?url=..., /log; options such as
// ?nolength=1, ?cut=<m>, ?stall=<m>, ?drip=<ms>, ?hold=<m>&key=<k> apply to /files and /bytes.

#include <cstddef>
#include <cstdint>
#include <string>

namespace testing_support {

// "http://127.0.0.1:<port>" followed by pathAndQuery.
std::wstring ServerUrl(const std::string& pathAndQuery);
// The same paths over HTTPS, behind a certificate of the run's trusted test CA, or one that
// nobody trusts.
std::wstring SecureUrl(const std::string& pathAndQuery, bool trusted = true);
// The same address on a port where nothing listens, so that connecting is refused.
std::wstring RefusedUrl(const std::string& pathAndQuery);

// Stores bytes where the server serves them and returns their path, "/files/<unique>-<name>".
// Names are made unique so that no cache can hand out an earlier test's content. With `size`,
// zeros follow the bytes up to that size (a file of several GiB costs no time to make).
std::string Publish(const std::string& name, const std::string& bytes, uint64_t size = 0);
// Where the server keeps what it serves at `path`, "/files/<name>".
std::wstring PublishedFile(const std::string& path);

// The bytes of a file that the server serves as /files/<name>.
std::string ServedFile(const std::string& name);

// The body the server generates for /bytes/<count>.
std::string GeneratedBytes(size_t count);

// The body of a GET of `path` from the server, for example "/log": the requests it received
// (request line, header lines, empty line) or "/release/<key>", which lets a held answer go on.
std::string Fetch(const std::string& path);

// Text in the ANSI code page, as descriptors and config.ini are commonly written.
std::string ToAnsi(const std::wstring& text);

} // namespace testing_support
