// TBookCanvas.java - the full-screen canvas for Nokia phones, with backlight control.

import com.nokia.mid.ui.DeviceControl;
import com.nokia.mid.ui.FullCanvas;
import javax.microedition.lcdui.Graphics;

public class TBookCanvas extends FullCanvas {
    TBookMIDlet fMidlet;

    public TBookCanvas(TBookMIDlet midlet) {
        fMidlet = midlet;
    }

    protected void paint(Graphics g) {
        fMidlet.paint(g);
    }

    public void keyPressed(int keyCode) {
        fMidlet.keyPressed(keyCode, getGameAction(keyCode));
    }

    public void light(boolean on) {
        DeviceControl.setLights(0, on ? 100 : 0);
    }
}
