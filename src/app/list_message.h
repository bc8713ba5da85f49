// Adding a catalogue message to the message list from the worker's code,
// and the product prefix that some messages are formatted with.
#ifndef ZOLT_APP_LIST_MESSAGE_H
#define ZOLT_APP_LIST_MESSAGE_H

#include "app/app_state.h"
#include "ui/message_list.h"

constexpr char kProductPrefix[] = "ZOLT -  ";

#define LIST_MESSAGE(...) AppendListMessage(app.textBuffer, kTextBufferSize, __VA_ARGS__)

#endif
