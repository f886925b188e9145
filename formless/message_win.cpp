#include "formless/message.h"

const tMessageTable tObject::messages{nullptr, {}};

void dispatch(tObject& object, tMessageRec& rec) {
  for (const tMessageTable* table = &object.messageTable(); table; table = table->base)
    for (const tMessageMethod& method : table->methods)
      if (method.msg == rec.msg) {
        method.handler(object, rec);
        return;
      }
}
