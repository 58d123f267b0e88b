#pragma once

// The result code every firmware file routine returns for an input file of 2 GiB or more; it is
// distinct from each routine's other codes.
inline constexpr int kFileTooLarge = -4;
