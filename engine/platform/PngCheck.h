// A walk over the chunk list of a PNG file before the image library decodes it: a
// chunk that claims more data than the file holds makes the library loop for ever.
#pragma once

#include <istream>
#include <string>

// What is wrong with the PNG structure read from `in` (its signature, a well-formed
// IHDR first, every chunk within the file, image data and a closing IEND), or "" when
// the structure is sound. Pixel data and checksums are left to the decoder.
std::string pngStructureProblem(std::istream& in);

// For a file on disk: "" when it is neither named nor marked as a PNG, or when its
// structure is sound; otherwise what is wrong.
std::string pngFileProblem(const std::string& path);
