# The queue model (files of the transfer queue).
target_sources(zentrava_transfer PRIVATE
  AfterQueueAction.h
  ColumnWidths.cpp
  ColumnWidths.h
  TransferQueue.cpp
  TransferQueue.h
  TransferQueueState.cpp
  TransferQueueState.h
  TransferQueueStore.cpp
  TransferQueueStore.h
  TransferRequester.h
)
