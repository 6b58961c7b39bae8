#pragma once

#include <iosfwd>

#include "module/parameters.h"
#include "host/io/options.h"
#include "host/session/module_session.h"

namespace tesselox::host {

// The user's values typed into the module's fields, key by key as a person would, and the
// fields read back. A field is found by its label; the host knows the twelve labels of
// kFieldSpecs, in that order.

// --scale: the whole input frame to W x H, typed before any --set. These are values the user did
// not type, so one outside its field's range (which would read as 0) is an error.
void TypeScale(ModuleSession& session, const io::Options& options, io::Size input);

// Types the --set values, then says, one line per field, where a field holds or the filter will
// use something other than the integer typed; with --strict the first such line is the error.
// Returns the values the filter will use at the next frame.
ParameterValues ApplyEdits(ModuleSession& session, const io::Options& options, io::Size capacity,
                           std::ostream& errors);

// --print-fields: each field's label, text and range, one line each.
void PrintFields(const ModuleSession& session, std::ostream& out);

}  // namespace tesselox::host
