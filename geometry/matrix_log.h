// Writing one matrix to the host's log.
#ifndef POSALIGN_GEOMETRY_MATRIX_LOG_H
#define POSALIGN_GEOMETRY_MATRIX_LOG_H

// Logs the matrixLogText of the sixteen values under title through the host's zrLogText and releases the
// text after the call. Nothing is logged when the text cannot be allocated.
void logMatrix(const float values[16], const char* title);

#endif
