// The read and write buttons of both pages.
#pragma once

namespace protocol {

void readParameters();   // four-master page's read; also ends a successful write
void writeParameters();  // four-master page's write
void twoMasterRead();
void twoMasterWrite();

}  // namespace protocol
