// Compressed test data made in the test itself, by the libraries the program reads it with
// (each format's default level), so no archive is committed.
#pragma once

#include <string>
#include <string_view>

#include "core/Decompressor.h"

// `text` compressed as one member (stream, frame) of `format`.
std::string Compress(Compression format, std::string_view text);
// The usual file name extension of `format`: ".gz", ".bz2", ".xz", ".zst".
const char* CompressionSuffix(Compression format);
