// The processor's vector registers before a long numeric loop.
//
// Qt's raster routines (QImage::fill and the drawing they share, built for AVX2 and AVX-512)
// return with the upper halves of the vector registers still marked in use. Every SSE
// instruction after that carries a false dependency on those halves until something clears
// them: a loop of divisions ran four times slower after a bitmap had been filled. The loops
// over whole blocks therefore clear them first; it costs a cycle, and nothing on processors
// without AVX.
#pragma once

void ClearUpperVectorState();
