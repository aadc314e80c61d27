// Comments "(?#...)" taken out of a Perl pattern before Boost compiles it.
#pragma once

#include <string>
#include <string_view>

namespace runtime {

// The pattern without its comments, which mean nothing: Boost 1.74's parser loops for ever on a
// comment right after a possessive repeat ("a?+(?#)b"), and a rule is compiled as it is typed. A
// comment that a repeat follows goes (the repeat then applies to what came before it, as it
// would); any other becomes the empty group "(?:)", which keeps "\1(?#)0" apart. Escapes, \Q..\E,
// bracket expressions and, where the pattern turns extended mode on, "#" comments to the end of
// the line are left as they are. A comment without its ")" stays, for Boost to judge.
std::string WithoutComments(std::string_view pattern);

}  // namespace runtime
