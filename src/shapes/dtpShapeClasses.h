#pragma once

namespace kivrano {

// Registers every concrete shape class of this folder by its class name, so that stored shapes
// load as what they were. Call once at start-up; calling again changes nothing.
void RegisterStandardShapeClasses();

}  // namespace kivrano
