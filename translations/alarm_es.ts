<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES">
<context>
    <name>Alarm</name>
    <message>
        <source>Velmora, developer of ALARM, the alarm and shut-down timer for Linux</source>
        <translation>Velmora, desarrollador de ALARM, la alarma y temporizador de apagado para Linux</translation>
    </message>
    <message>
        <source>Click for details...   </source>
        <translation>Haga clic para ver detalles...   </translation>
    </message>
    <message>
        <source>Shut down</source>
        <translation>Apagar</translation>
    </message>
    <message>
        <source>Click to set, shut down plan.   </source>
        <translation>Haga clic para programar el apagado.   </translation>
    </message>
    <message>
        <source>Select AM / PM</source>
        <translation>Elegir AM / PM</translation>
    </message>
    <message>
        <source>Set minutes</source>
        <translation>Ajustar minutos</translation>
    </message>
    <message>
        <source>Set hour</source>
        <translation>Ajustar hora</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>ON</translation>
    </message>
    <message>
        <source>Click to on, alarm.   </source>
        <translation>Haga clic para activar la alarma.   </translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>OFF</translation>
    </message>
    <message>
        <source>Time set :</source>
        <translation>Fijada :</translation>
    </message>
    <message>
        <source>AM / PM</source>
        <translation>AM / PM</translation>
    </message>
    <message>
        <source>Select AM / PM   </source>
        <translation>Elegir AM / PM   </translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Hora</translation>
    </message>
    <message>
        <source>Set hour   </source>
        <translation>Ajustar hora   </translation>
    </message>
    <message>
        <source>Minutes</source>
        <translation>Minutos</translation>
    </message>
    <message>
        <source>Set minutes   </source>
        <translation>Ajustar minutos   </translation>
    </message>
    <message>
        <source>By, </source>
        <translation>Por </translation>
    </message>
    <message>
        <source>Time : </source>
        <translation>Hora: </translation>
    </message>
    <message>
        <source>Set alarm / shut down, in a planned time. Check the sound track, for alarm. By, </source>
        <translation>Programe una alarma o un apagado a la hora elegida. Compruebe el sonido para la alarma. Por </translation>
    </message>
    <message>
        <source>Your computer time is :  </source>
        <translation>Hora de su ordenador:  </translation>
    </message>
    <message>
        <source>Click to off, alarm.   </source>
        <translation>Haga clic para apagar la alarma.   </translation>
    </message>
    <message>
        <source>Click to cancel, shut down plan.   </source>
        <translation>Haga clic para cancelar el apagado programado.   </translation>
    </message>
    <message>
        <source>Time set for alarm   </source>
        <translation>Hora fijada para la alarma   </translation>
    </message>
    <message>
        <source>Time set for shut down   </source>
        <translation>Hora fijada para el apagado   </translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>argumento inesperado «%1»</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>opción desconocida «%1»</translation>
    </message>
    <message>
        <source>only one of --alarm, --shutdown, --off and --status may be given</source>
        <translation>solo se admite una de --alarm, --shutdown, --off y --status</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not %2</source>
        <translation>«%1» no es válido, se espera %2</translation>
    </message>
    <message>
        <source>%1 needs %2</source>
        <translation>%1 necesita %2</translation>
    </message>
    <message>
        <source>Usage: alarm [OPTION]
An alarm clock and shut-down timer in one small window. Without an option it opens the
window, or brings forward the one that is already open.

  --alarm TIME     arm the alarm for TIME (replaces any plan armed)
  --shutdown TIME  arm a forced shut-down of the computer for TIME (likewise)
  --off            cancel the armed or ringing plan
  --status         print what ALARM is doing: idle, alarm at TIME, ringing,
                   or shut-down at TIME
  -h, --help       show this text
  --version        show the version

TIME is a clock time: 7:30pm, 7:30 PM, 07:30PM, or 19:30 on the 24-hour clock. The
plan is armed in the running ALARM, which is started first when none runs; the
command returns once the plan is armed.
Qt&apos;s own options, such as -platform and -display, are taken as well.

Exit status: 0 done, 1 ALARM could not be reached or started, 2 wrong usage.
</source>
        <translation>Uso: alarm [OPCIÓN]
Un despertador y temporizador de apagado en una pequeña ventana. Sin opciones
abre la ventana, o trae al frente la que ya está abierta.

  --alarm HORA     poner la alarma a la HORA (sustituye cualquier plan activo)
  --shutdown HORA  programar el apagado forzoso del ordenador a la HORA (igual)
  --off            cancelar el plan activo o la alarma que suena
  --status         mostrar lo que hace ALARM: idle, alarm at HORA, ringing
                   o shut-down at HORA (siempre en inglés, para scripts)
  -h, --help       mostrar este texto
  --version        mostrar la versión

HORA es una hora de reloj: 7:30pm, 7:30 PM, 07:30PM, o 19:30 en formato de 24
horas. El plan se activa en el ALARM en marcha, que se inicia antes si no hay
ninguno; la orden termina en cuanto el plan está activo.
También se aceptan las opciones propias de Qt, como -platform y -display.

Estado de salida: 0 hecho, 1 no se pudo contactar ni iniciar ALARM,
2 uso incorrecto.
</translation>
    </message>
    <message>
        <source>a time such as 7:30pm, 7:30 PM, 07:30PM or 19:30</source>
        <translation>una hora como 7:30pm, 7:30 PM, 07:30PM o 19:30</translation>
    </message>
    <message>
        <source>Try &apos;alarm --help&apos;.
</source>
        <translation>Pruebe «alarm --help».
</translation>
    </message>
</context>
<context>
    <name>KeepAwake</name>
    <message>
        <source>Alarm at %1</source>
        <translation>Alarma a las %1</translation>
    </message>
    <message>
        <source>Shut-down at %1</source>
        <translation>Apagado a las %1</translation>
    </message>
</context>
<context>
    <name>PlanNotices</name>
    <message>
        <source>the clock was set past it</source>
        <translation>el reloj se adelantó más allá de esa hora</translation>
    </message>
    <message>
        <source>the change to daylight saving time left it out</source>
        <translation>el cambio al horario de verano se saltó ese minuto</translation>
    </message>
    <message>
        <source>the computer was asleep</source>
        <translation>el ordenador estaba suspendido</translation>
    </message>
    <message>
        <source>ALARM could not run at that time</source>
        <translation>ALARM no pudo ejecutarse a esa hora</translation>
    </message>
    <message>
        <source>The alarm at %1 will ring silently</source>
        <translation>La alarma de las %1 sonará en silencio</translation>
    </message>
    <message>
        <source>No sound server answers, and there is no sound card to play on. The alarm still rings: its window shows it.</source>
        <translation>No responde ningún servidor de sonido y no hay tarjeta de sonido. La alarma suena de todos modos: su ventana lo muestra.</translation>
    </message>
    <message>
        <source>The alarm at %1 may not be heard</source>
        <translation>Puede que la alarma de las %1 no se oiga</translation>
    </message>
    <message>
        <source>%1. Turn the sound up in the sound settings to hear it.</source>
        <translation>%1. Suba el volumen en la configuración de sonido para oírla.</translation>
    </message>
    <message>
        <source>, and </source>
        <translation> y </translation>
    </message>
    <message>
        <source>the sound is muted</source>
        <translation>el sonido está silenciado</translation>
    </message>
    <message>
        <source>the sound is at %1 %</source>
        <translation>el sonido está al %1 %</translation>
    </message>
    <message>
        <source>ALARM&apos;s sound is muted</source>
        <translation>el sonido de ALARM está silenciado</translation>
    </message>
    <message>
        <source>ALARM&apos;s volume is %1 %</source>
        <translation>el volumen de ALARM está al %1 %</translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation>Alarma</translation>
    </message>
    <message>
        <source>The computer will power off at %1</source>
        <translation>El ordenador se apagará a las %1</translation>
    </message>
    <message>
        <source>ALARM will shut the computer down at %1 and close running applications without asking. To keep it running, choose Cancel shut-down, or press OFF in ALARM.</source>
        <translation>ALARM apagará el ordenador a las %1 y cerrará las aplicaciones abiertas sin preguntar. Para mantenerlo encendido, elija «Cancelar apagado» o pulse OFF en ALARM.</translation>
    </message>
    <message>
        <source>Cancel shut-down</source>
        <translation>Cancelar apagado</translation>
    </message>
    <message>
        <source>The planned shut-down at %1 did not happen</source>
        <translation>El apagado programado de las %1 no se produjo</translation>
    </message>
    <message>
        <source>The computer was not powered off, because %1. The plan stays armed for %2 tomorrow.</source>
        <translation>El ordenador no se apagó porque %1. El plan sigue activo para mañana a las %2.</translation>
    </message>
    <message>
        <source>The computer was not powered off</source>
        <translation>El ordenador no se apagó</translation>
    </message>
    <message>
        <source>The planned shut-down at %1 failed: %2. ALARM keeps trying while the minute lasts, and again tomorrow.</source>
        <translation>El apagado programado de las %1 falló: %2. ALARM sigue intentándolo mientras dura el minuto, y de nuevo mañana.</translation>
    </message>
    <message>
        <source>Missed alarm at %1</source>
        <translation>Alarma perdida de las %1</translation>
    </message>
    <message>
        <source>The alarm did not ring, because %1. It stays set for %2 tomorrow.</source>
        <translation>La alarma no sonó porque %1. Sigue puesta para mañana a las %2.</translation>
    </message>
    <message>
        <source>The alarm at %1 can ring only if the computer is awake</source>
        <translation>La alarma de las %1 solo puede sonar si el ordenador está despierto</translation>
    </message>
    <message>
        <source>The computer is going to sleep, and ALARM found no way to wake it. Wake it before %1 for the alarm to ring.</source>
        <translation>El ordenador va a suspenderse y ALARM no encontró forma de despertarlo. Despiértelo antes de las %1 para que suene la alarma.</translation>
    </message>
</context>
<context>
    <name>Speech</name>
    <message numerus="yes">
        <source>%n o&apos;clock</source>
        <translation>
            <numerusform>es la una en punto</numerusform>
            <numerusform>son las %n en punto</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hours %1 minutes</source>
        <translation>
            <numerusform>es la una y %1</numerusform>
            <numerusform>son las %n y %1</numerusform>
        </translation>
    </message>
    <message>
        <source>Now thetime is    %1</source>
        <translation>Ahora %1</translation>
    </message>
    <message>
        <source>      Your   Computertime is    %1</source>
        <translation>En su ordenador %1</translation>
    </message>
</context>
</TS>
