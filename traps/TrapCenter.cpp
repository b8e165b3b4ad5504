#include "traps/TrapCenter.h"

TTrapCenter::TTrapCenter(TTrapOptions trapOptions, std::shared_ptr<const TMibNames> names)
    : options(std::move(trapOptions)), listener(std::move(names), [this](TTrapRecord record) {
          log.Write(record);
          if (record.state != TTrapState::FailedAuthentication)
              list.Append(std::move(record));
      })
{
}

bool TTrapCenter::Start()
{
    if (!options.logPath.isEmpty())
        log.Open(options.logPath);
    listener.SetEngine(TrapEngineId(), NextTrapEngineBoots());
    keptUsers = SavedTrapUsers();
    userProblems = listener.SetUsers(keptUsers + options.users);
    return listener.Listen(options.port != 0 ? options.port : SavedTrapPort());
}

QStringList TTrapCenter::ChangeUsers(const QVector<TTrapUser>& users)
{
    keptUsers = users;
    SaveTrapUsers(users);
    userProblems = listener.SetUsers(keptUsers + options.users);
    return userProblems;
}

bool TTrapCenter::ChangePort(int port)
{
    SaveTrapPort(port);
    return listener.Listen(port);
}
