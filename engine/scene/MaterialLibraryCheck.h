// A look at a material library before the model importer reads it.
#pragma once

#include <string>

// True when the text names a texture (a map_..., bump, norm or disp statement) before
// its first newmtl line: the importer has no material to put it in then and writes
// through a null pointer.
bool materialLibraryNamesTextureFirst(const std::string& text);
