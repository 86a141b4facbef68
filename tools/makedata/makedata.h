// The default data set: pictures, drawings and the module, each made from code.
#pragma once

#include <string>

namespace velq::makedata {

void makePictures(const std::string& dir);
void makeDrawings(const std::string& dir);
void makeModule(const std::string& dir);

} // namespace velq::makedata
