'next
stop now
poweroffnow
reboot
set com1 dtr
clr com2 dtr
set com1 txd
set comx rts
