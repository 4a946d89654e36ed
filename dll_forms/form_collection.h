#pragma once
// The forms of the library: the Form elements of the last form file asked for. The file is
// read again only when another file is asked for (names compared without regard to case),
// so that showing forms one after another costs one parse.

#include <string>
#include <vector>

#include "form_definition.h"

class FormCollection {
  public:
    // Reads path unless it is the file read last; a file without forms hands over to the
    // file its XMLInclude element names (in the same folder), and so on. Every fault found
    // in the file is logged as an error. Returns the number of forms held.
    int Load(const std::string& path);
    // The first form whose Id equals id exactly, or null.
    const FormDefinition* Find(const std::string& id) const;

    const std::string& FileName() const { return fileName_; }
    const std::vector<FormDefinition>& Forms() const { return forms_; }
    // The faults of the last read, in the order they were found.
    const std::vector<std::string>& Problems() const { return problems_; }

  private:
    void ReadFile(const std::string& path, std::string* include);

    std::string fileName_;
    bool loaded_ = false;
    std::vector<FormDefinition> forms_;
    std::vector<std::string> problems_;
};
