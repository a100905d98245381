// Object.java - CLDC 1.0 root class, signatures only.
package java.lang;

public class Object {
    public Object() {}
    public final Class getClass() { return null; }
    public int hashCode() { return 0; }
    public boolean equals(Object obj) { return this == obj; }
    public String toString() { return null; }
    public final void notify() {}
    public final void notifyAll() {}
    public final void wait(long timeout) throws InterruptedException {}
    public final void wait() throws InterruptedException {}
}
