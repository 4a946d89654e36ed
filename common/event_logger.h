#pragma once
// EventLogger: the link of a run with the Windows Application event log. This part holds
// what the configuration gives it: the product name that every event carries and the
// identifiers of installer events that count as success. Writing and reading events is
// added with the event-log service; until then the Event entries of the log go to the
// log files only.

#include <string>
#include <vector>

class EventLogger {
  public:
    static constexpr std::size_t kNameSize = 256;

    // Bounded copy: a name that does not fit is refused (logged) and the old one stays.
    void SetName(const char* text);
    const std::string& Name() const { return name_; }

    void AddSuccessId(int id) { successIds_.push_back(id); }

    // The progress and action records of a run: application events 1000 + n, package
    // events 1100 + n. They are kept here in order; the event-log writer reports them.
    struct Event {
        int id;
        std::string text;
    };
    void Action(int id, const std::string& text) { events_.push_back(Event{id, text}); }
    const std::vector<Event>& Events() const { return events_; }
    bool IsSuccessId(int id) const;
    const std::vector<int>& SuccessIds() const { return successIds_; }

  private:
    std::string name_;
    std::vector<int> successIds_;
    std::vector<Event> events_;
};

// The event logger of the program.
EventLogger& GlobalEventLogger();
