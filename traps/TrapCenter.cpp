#include "traps/TrapCenter.h"

TTrapCenter::TTrapCenter(TTrapOptions trapOptions, std::shared_ptr<const TMibNames> names)
    : options(std::move(trapOptions)), listener(std::move(names), [this](TTrapRecord record) {
          log.Write(record);
          list.Append(std::move(record));
      })
{
}

bool TTrapCenter::Start()
{
    if (!options.logPath.isEmpty())
        log.Open(options.logPath);
    return listener.Listen(options.port != 0 ? options.port : SavedTrapPort());
}

bool TTrapCenter::ChangePort(int port)
{
    SaveTrapPort(port);
    return listener.Listen(port);
}
