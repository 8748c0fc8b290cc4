// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/failure.h"

#include <cerrno>
#include <string>

namespace posteri {

namespace {

const char* running_routine = "";

struct Failure {
    int number;
    std::string_view description;
};

constexpr Failure kFailures[] = {
    {5, "Illegal function call"},   {6, "Overflow"},
    {7, "Out of memory"},           {9, "Subscript/Pointer out of range"},
    {11, "Division by zero"},       {24, "Device timeout"},
    {51, "Internal error"},         {52, "Bad file name or number"},
    {53, "File not found"},         {54, "Bad file mode"},
    {55, "File is open"},           {57, "Device I/O error"},
    {58, "File already exists"},    {61, "Disk full"},
    {62, "Input past end"},         {63, "Bad record number"},
    {64, "Bad file name"},          {67, "Too many files"},
    {68, "Device unavailable"},     {69, "Comm error"},
    {70, "Permission denied"},      {71, "Disk not ready"},
    {72, "Disk media error"},       {74, "Rename across disks"},
    {75, "Path/file access error"}, {76, "Path not found"},
    {99, "Object error"},           {241, "Global memory corrupt"},
    {242, "String space corrupt"},
};

}  // namespace

RoutineName::RoutineName(const char* name) : previous_(running_routine) { running_routine = name; }
RoutineName::~RoutineName() { running_routine = previous_; }

const char* current_routine() { return running_routine; }

int failure_number_for_errno(int error) {
    switch (error) {
        case EACCES:
        case EPERM: return 70;
        case ENOENT: return 53;
        case ENOTDIR: return 76;
        case ENOSPC: return 61;
        case EIO: return 57;
        case EMFILE:
        case ENFILE: return 67;
        case EXDEV: return 74;
        case EEXIST: return 58;
        default: return 75;
    }
}

std::string_view failure_description(int number) {
    for (const Failure& f : kFailures) {
        if (f.number == number) return f.description;
    }
    return "Application-defined or object-defined error";
}

std::string failure_text(int number, std::string_view routine) {
    std::string text = "Untrapped Error #" + std::to_string(number) + " (";
    text += failure_description(number);
    text += ")\nhas occurred following execution of ";
    text += routine;
    text += "\n\nPress OK to continue, Cancel to terminate";
    return text;
}

void raise_failure(Fault& fault, int number) {
    const FaultAnswer answer = fault.show_notice(failure_text(number, current_routine()));
    if (answer == FaultAnswer::Cancel || number >= 241) throw RunEnded{255};
}

bool raise_for_errno(Fault& fault, int error) {
    if (error == 0) return false;
    raise_failure(fault, failure_number_for_errno(error));
    return true;
}

}  // namespace posteri
